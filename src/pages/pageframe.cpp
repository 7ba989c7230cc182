#include "pages/pageframe.h"

#include "util/sysutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>

TPageHost* PageHost = nullptr;

using namespace ZT_namespace;

QStringList TextList(TTextList list)
{
    QStringList texts;
    for (std::string_view text : list)
        texts << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return texts;
}

TDevicePageFrame::~TDevicePageFrame() = default;

bool TDevicePageFrame::ReadPage(bool background)
{
    return PageHost && PageBlock && PageHost->ReadBlock(*PageBlock, background);
}

bool TDevicePageFrame::WritePage()
{
    return PageHost && PageBlock && CollectPage() && PageHost->WriteBlock(*PageBlock);
}

QLineEdit* TDevicePageFrame::AddDisplay(const char* name)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QLineEdit* TDevicePageFrame::BindDisplay(const char* name, ZT_Binding::TScalarField field,
                                         std::string_view format)
{
    QLineEdit* edit = AddDisplay(name);
    Bind(std::make_unique<ZT_Binding::TNumberBinding>(edit, field, format, true, std::string()));
    return edit;
}

QLineEdit* TDevicePageFrame::BindEdit(const char* name, ZT_Binding::TScalarField field,
                                      std::string_view format, std::string refusal)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    Bind(std::make_unique<ZT_Binding::TNumberBinding>(edit, field, format, false, std::move(refusal)));
    return edit;
}

QSpinBox* TDevicePageFrame::BindSpin(const char* name, ZT_Binding::TScalarField field)
{
    auto* spin = new QSpinBox(this);
    spin->setObjectName(name);
    Bind(std::make_unique<ZT_Binding::TSpinBinding>(spin, field));
    return spin;
}

QComboBox* TDevicePageFrame::BindList(const char* name, TIndexField field, bool readOnly)
{
    auto* combo = new QComboBox(this);
    combo->setObjectName(name);
    combo->setEnabled(!readOnly);
    Bind(std::make_unique<ZT_Binding::TListBinding>(combo, field, readOnly));
    return combo;
}

QCheckBox* TDevicePageFrame::BindCheck(const char* name, const char* caption, TField<uint16_t> field, int bit)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), this);
    box->setObjectName(name);
    Bind(std::make_unique<ZT_Binding::TCheckBinding>(box, field, bit));
    return box;
}

void TDevicePageFrame::BindDateTime(QDateEdit* date, QTimeEdit* time, ZT_Binding::TDateTimeFields fields,
                                    bool readOnly, std::string invalidText)
{
    Bind(
        std::make_unique<ZT_Binding::TDateTimeBinding>(date, time, fields, readOnly, std::move(invalidText)));
}

void TDevicePageFrame::AddSetupButtons(QBoxLayout* root, QPushButton*& read, QPushButton** write)
{
    auto* row = new QHBoxLayout;
    read = new QPushButton(QString::fromUtf8("Считать"), this);
    read->setObjectName("GetSetup");
    row->addWidget(read);
    if (write) {
        *write = new QPushButton(QString::fromUtf8("Установить"), this);
        (*write)->setObjectName("SetSetup");
        row->addWidget(*write);
    }
    row->addStretch(1);
    root->addLayout(row);
}

TFieldBinding& TDevicePageFrame::Bind(std::unique_ptr<TFieldBinding> binding)
{
    Bindings.push_back(std::move(binding));
    return *Bindings.back();
}

TFieldBinding* TDevicePageFrame::BindingOf(const QWidget* control) const
{
    for (const auto& binding : Bindings)
        if (binding->Control == control)
            return binding.get();
    return nullptr;
}

void TDevicePageFrame::FocusGroup(std::initializer_list<const QWidget*> controls)
{
    const int group = static_cast<int>(Groups.size());
    Groups.emplace_back(controls);
    for (const QWidget* control : controls)
        if (TFieldBinding* binding = BindingOf(control))
            binding->Group = group;
}

void TDevicePageFrame::CollectSet(int set, std::initializer_list<const QWidget*> controls)
{
    for (const QWidget* control : controls)
        if (TFieldBinding* binding = BindingOf(control))
            binding->CollectSet = set;
}

void TDevicePageFrame::RefreshBindings()
{
    if (!PageHost)
        return;
    std::vector<bool> groupFocused(Groups.size(), false);
    for (size_t g = 0; g < Groups.size(); ++g)
        for (const QWidget* widget : Groups[g])
            groupFocused[g] = groupFocused[g] || HasFocus(widget);

    std::vector<std::string> notices;
    {
        ZT_Helper& device = PageHost->Device();
        TDeviceHelperLocker locker(device);
        for (const auto& binding : Bindings) {
            if (!binding->Control)
                continue;
            if (!binding->IgnoresFocus) {
                if (binding->Group >= 0 ? groupFocused[size_t(binding->Group)] : binding->Focused())
                    continue;
            }
            const QSignalBlocker blocker(binding->Control);
            binding->Notice.clear();
            binding->Refresh(device);
            if (!binding->Notice.empty())
                notices.push_back(binding->Notice);
        }
    }
    // Logged outside the data lock: the log takes locks of its own.
    for (const std::string& notice : notices)
        PageHost->LogMessage(notice);
}

bool TDevicePageFrame::CollectBindings(int set)
{
    if (!PageHost)
        return false;
    for (const auto& binding : Bindings) {
        if (binding->CollectSet != set || !binding->Control)
            continue;
        const std::string refusal = binding->Check();
        if (!refusal.empty()) {
            PageHost->LogMessage(refusal);
            return false;
        }
    }
    ZT_Helper& device = PageHost->Device();
    TDeviceHelperLocker locker(device);
    for (const auto& binding : Bindings)
        if (binding->CollectSet == set && binding->Control)
            binding->Store(device);
    return true;
}
