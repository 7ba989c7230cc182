// The packet name dialog, the load choice dialog and the About box.

#include "app/aboutbox.h"
#include "app/namedialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "dialogs_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

TEST(NameDlg, ShownTwice_KeepsNameOfFirstOkAndCancelStoresNothing)
{
    App();
    TNameDlg dialog;
    dialog.Name = "Пакет 1";
    QTimer::singleShot(0, &dialog, [&dialog] {
        EXPECT_EQ(dialog.Edit1->text(), QString::fromUtf8("Пакет 1"));
        dialog.Edit1->setText("DN50");
        dialog.OkBitBtn->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.Name, QString("DN50"));

    QString shown;
    QTimer::singleShot(0, &dialog, [&dialog, &shown] {
        shown = dialog.Edit1->text();
        dialog.Edit1->setText("other");
        dialog.CancelBitBtn->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(shown, QString("DN50"));
    EXPECT_EQ(dialog.Name, QString("DN50"));
}

TEST(LoadChoiseDlg, EachButton_ClosesWithItsResult)
{
    App();
    TLoadChoiseDlg dialog;
    const std::pair<QPushButton*, int> cases[] = {{dialog.ClearButton, TLoadChoiseDlg::lcClear},
                                                  {dialog.AppendButton, TLoadChoiseDlg::lcAppend},
                                                  {dialog.NewPacketButton, TLoadChoiseDlg::lcNewPacket}};
    for (const auto& [button, result] : cases) {
        QTimer::singleShot(0, &dialog, [button] { button->click(); });
        EXPECT_EQ(dialog.exec(), result) << button->text().toStdString();
    }
    EXPECT_EQ(dialog.ClearButton->text(), QString::fromUtf8("Очистить пакет"));
}

TEST(AboutBox, ShowsVersionAndBuildDateTime)
{
    App();
    EXPECT_EQ(TAboutBox::BuildDateTime("Mar  5 2024", "09:05:07"), QString("05/03/2024 09:05:07"));
    EXPECT_EQ(TAboutBox::BuildDateTime("Dec 31 2025", "23:59:59"), QString("31/12/2025 23:59:59"));
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QString::fromUtf8("О программе"));
    EXPECT_EQ(box.Version->text(), QString(ZT_VERSION));
    EXPECT_FALSE(box.FileDescription->text().isEmpty());
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                    .match(box.DataTime->text())
                    .hasMatch())
        << box.DataTime->text().toStdString();
}

} // namespace
