#include "pages/servicesetupframe.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

// The system counters in register order.
constexpr const char* kCounterCaptions[16] = {
    "Сбой данных Flash памяти", "Сбой данных хранилища",    "Сбой архивной записи",
    "Сбой итоговых счетчиков",  "Сбой данных в ОЗУ",        "Обновление данных в хранилище",
    "Сброс I2C",                "Ошибка старта I2C",        "Повтор инициализации АЦП",
    "Сбой инициализации АЦП",   "Сброс по питанию",         "Сброс системный",
    "Сбой резервного питания",  "Вход в режим ПОВЕРКА",     "Вход в режим НАСТРОЙКА",
    "Вход в режим КАЛИБРОВКА"};

QLabel* Caption(const char* text, QWidget* parent)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

} // namespace

TServiceSetup::TServiceSetup(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("ServiceSetup");
    auto* root = new QVBoxLayout(this);
    AddSetupButtons(root, GetSetup, nullptr);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);

    auto* counters = new QGroupBox(QString::fromUtf8("Системные счетчики"), this);
    counters->setObjectName("SysCounterGroup");
    auto* cg = new QGridLayout(counters);
    for (int n = 0; n < 16; ++n) {
        const std::string name = "SysCounter" + std::to_string(n);
        SysCounters[size_t(n)] = BindDisplay(name.c_str(), ZT_Fields::SysCounter(n), "%d");
        SysCounters[size_t(n)]->setMaximumWidth(80);
        cg->addWidget(Caption(kCounterCaptions[n], counters), n, 0);
        cg->addWidget(SysCounters[size_t(n)], n, 1);
    }
    cg->setRowStretch(16, 1);
    columns->addWidget(counters);

    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);

    // Output state: two columns, "Выход 1" and "Выход 2".
    auto pairGroup = [this](const char* title, const char* name) {
        auto* group = new QGroupBox(QString::fromUtf8(title), this);
        group->setObjectName(name);
        auto* grid = new QGridLayout(group);
        grid->addWidget(Caption("Выход 1", group), 0, 1);
        grid->addWidget(Caption("Выход 2", group), 0, 2);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 1);
        return std::pair{group, grid};
    };
    auto [freq, fg] = pairGroup("Частотно-импульсные выходы", "FreqOutGroup");
    Freq_1 = BindDisplay("Freq_1", ZT_Fields::Freq_1, "%g");
    Freq_2 = BindDisplay("Freq_2", ZT_Fields::Freq_2, "%g");
    ImpulseCount_1 = BindDisplay("ImpulseCount_1", ZT_Fields::ImpulseCount_1, "%d");
    ImpulseCount_2 = BindDisplay("ImpulseCount_2", ZT_Fields::ImpulseCount_2, "%d");
    fg->addWidget(Caption("Частота (Гц)", freq), 1, 0);
    fg->addWidget(Freq_1, 1, 1);
    fg->addWidget(Freq_2, 1, 2);
    fg->addWidget(Caption("Импульсы", freq), 2, 0);
    fg->addWidget(ImpulseCount_1, 2, 1);
    fg->addWidget(ImpulseCount_2, 2, 2);
    right->addWidget(freq);

    auto [current, kg] = pairGroup("Токовые выходы", "CurrentOutGroup");
    ValueCurrent1 = BindDisplay("ValueCurrent1", ZT_Fields::ValueCurrent1, "%g");
    ValueCurrent2 = BindDisplay("ValueCurrent2", ZT_Fields::ValueCurrent2, "%g");
    CodeCurrent1 = BindDisplay("CodeCurrent1", ZT_Fields::CodeCurrent1, "%d");
    CodeCurrent2 = BindDisplay("CodeCurrent2", ZT_Fields::CodeCurrent2, "%d");
    StatusCurrent1 = BindList("StatusCurrent1", ZT_Fields::StatusCurrent1, true);
    StatusCurrent2 = BindList("StatusCurrent2", ZT_Fields::StatusCurrent2, true);
    kg->addWidget(Caption("Ток (мА)", current), 1, 0);
    kg->addWidget(ValueCurrent1, 1, 1);
    kg->addWidget(ValueCurrent2, 1, 2);
    kg->addWidget(Caption("Код ЦАП", current), 2, 0);
    kg->addWidget(CodeCurrent1, 2, 1);
    kg->addWidget(CodeCurrent2, 2, 2);
    kg->addWidget(Caption("Статус", current), 3, 0);
    kg->addWidget(StatusCurrent1, 3, 1);
    kg->addWidget(StatusCurrent2, 3, 2);
    right->addWidget(current);

    auto* test = new QGroupBox(QString::fromUtf8("Тестовые и сервисные режимы"), this);
    test->setObjectName("TestModeGroup");
    auto* tg = new QGridLayout(test);
    MainCodeExpense = BindEdit("MainCodeExpense", ZT_Fields::MainCodeExpense, "%g");
    MainMeasureTestMode = BindList("MainMeasureTestMode", ZT_Fields::MainMeasureTestMode);
    FreqExpence1 = BindEdit("FreqExpence1", ZT_Fields::FreqExpence1, "%g");
    FreqExpence2 = BindEdit("FreqExpence2", ZT_Fields::FreqExpence2, "%g");
    OutTestModeFreq = BindList("OutTestModeFreq", ZT_Fields::OutTestModeFreq);
    CurrentExpense1 = BindEdit("CurrentExpense1", ZT_Fields::CurrentExpense1, "%g");
    CurrentExpense2 = BindEdit("CurrentExpense2", ZT_Fields::CurrentExpense2, "%g");
    OutTestModeCurrent = BindList("OutTestModeCurrent", ZT_Fields::OutTestModeCurrent);
    tg->addWidget(Caption("Режим теста", test), 0, 1);
    tg->addWidget(Caption("Выход 1", test), 0, 2);
    tg->addWidget(Caption("Выход 2", test), 0, 3);
    tg->addWidget(Caption("Измеренное значение", test), 1, 0);
    tg->addWidget(MainMeasureTestMode, 1, 1);
    tg->addWidget(MainCodeExpense, 1, 2);
    tg->addWidget(Caption("Число-импульсный", test), 2, 0);
    tg->addWidget(OutTestModeFreq, 2, 1);
    tg->addWidget(FreqExpence1, 2, 2);
    tg->addWidget(FreqExpence2, 2, 3);
    tg->addWidget(Caption("Токовый", test), 3, 0);
    tg->addWidget(OutTestModeCurrent, 3, 1);
    tg->addWidget(CurrentExpense1, 3, 2);
    tg->addWidget(CurrentExpense2, 3, 3);
    SetOutTestMode = new QPushButton(QString::fromUtf8("Установить"), test);
    SetOutTestMode->setObjectName("SetOutTestMode");
    tg->addWidget(SetOutTestMode, 4, 3, Qt::AlignRight);
    right->addWidget(test);
    right->addStretch(1);

    // A poll never disturbs a test mode being entered: while any of the
    // eight has the focus, none of them is refreshed.
    FocusGroup({MainCodeExpense, FreqExpence1, FreqExpence2, CurrentExpense1, CurrentExpense2,
                MainMeasureTestMode, OutTestModeFreq, OutTestModeCurrent});

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetOutTestMode, &QPushButton::clicked, this, [this] { SetOutTestModeClick(SetOutTestMode); });
}

bool TServiceSetup::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TServiceSetup::SetOutTestModeClick(QObject*)
{
    return WritePage();
}
