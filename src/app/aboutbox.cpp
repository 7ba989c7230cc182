#include "app/aboutbox.h"

#include "util/sysutil.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>

#ifndef ZT_VERSION
#define ZT_VERSION "0.0.0"
#endif

const char* const TAboutBox::kWebAddress = "https://zt-meters.example/";

QString TAboutBox::BuildDateTime(const char* date, const char* time)
{
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char month[4] = {};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(date, "%3s %d %d", month, &day, &year) != 3 ||
        std::sscanf(time, "%d:%d:%d", &hour, &minute, &second) != 3)
        return {};
    int monthNumber = 0;
    for (int i = 0; i < 12; ++i)
        if (std::strcmp(month, months[i]) == 0)
            monthNumber = i + 1;
    return QString::fromStdString(
        Format("%02d/%02d/%04d %02d:%02d:%02d", day, monthNumber, year, hour, minute, second));
}

namespace {

QPixmap Picture()
{
    QPixmap picture(64, 64);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 90, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(4, 4, 56, 56);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(24);
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, "ZT");
    return picture;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutBox");
    setWindowTitle(QString::fromUtf8("О программе"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::StyledPanel);
    panel_ = panel;
    auto* grid = new QGridLayout(panel);
    auto* picture = new QLabel(panel);
    picture->setObjectName("ProgramIcon");
    picture->setPixmap(Picture());
    grid->addWidget(picture, 0, 0, 4, 1, Qt::AlignTop);

    FileDescription =
        new QLabel(QString::fromUtf8("ZT Конфигуратор: настройка и обслуживание расходомеров ZT"), panel);
    FileDescription->setObjectName("FileDescription");
    grid->addWidget(FileDescription, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("Версия: "), panel), 1, 1);
    Version = new QLabel(QString::fromStdString(Format("%s", ZT_VERSION)), panel);
    Version->setObjectName("Version");
    grid->addWidget(Version, 1, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("Дата: "), panel), 2, 1);
    DataTime = new QLabel(BuildDateTime(__DATE__, __TIME__), panel);
    DataTime->setObjectName("DataTime");
    grid->addWidget(DataTime, 2, 2);
    Link = new QLabel(QString("<a href=\"%1\">%1</a>").arg(kWebAddress), panel);
    Link->setObjectName("Link");
    Link->setOpenExternalLinks(true);
    grid->addWidget(Link, 3, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    layout->addWidget(panel);
    panel->installEventFilter(this);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel_ && event->type() == QEvent::MouseButtonDblClick) {
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebAddress)));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
