#include "pages/impulsesetupframe.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ZT_namespace;

namespace {

// One output frame bound to its output record: the page's refresh shows it
// and its collect checks and stores it like any other control.
class TImpulseOutBinding : public TFieldBinding {
public:
    TImpulseOutBinding(TImpulseOutFrame* frame, TOutputFields fields)
        : TFieldBinding(frame, false), Frame(frame), Fields(fields)
    {
        // The frame is shown whole after a read: its own weight edits keep
        // the focus rule of their unit conversion.
        IgnoresFocus = true;
    }
    void Refresh(const ZT_Helper& device) override { Frame->Refresh(device, Fields); }
    std::string Check() const override { return Frame->Check(); }
    void Store(ZT_Helper& device) const override { Frame->Collect(device, Fields); }

private:
    TImpulseOutFrame* Frame;
    TOutputFields Fields;
};

} // namespace

TImpulseSetup::TImpulseSetup(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("ImpulseSetup");
    auto* root = new QVBoxLayout(this);
    AddSetupButtons(root, GetSetup, &SetSetup);

    auto* outputs = new QHBoxLayout;
    for (int n = 1; n <= 2; ++n) {
        auto* group = new QGroupBox(QString::fromUtf8(n == 1 ? "Выход 1" : "Выход 2"), this);
        group->setObjectName(n == 1 ? "Out1Group" : "Out2Group");
        auto* layout = new QVBoxLayout(group);
        auto* frame = new TImpulseOutFrame(group);
        frame->setObjectName(n == 1 ? "ImpulseOutFrame1" : "ImpulseOutFrame2");
        layout->addWidget(frame);
        outputs->addWidget(group);
        (n == 1 ? Out1 : Out2) = frame;
        Bind(std::make_unique<TImpulseOutBinding>(frame, n == 1 ? ZT_Fields::Out1 : ZT_Fields::Out2));
    }
    outputs->addStretch(1);
    root->addLayout(outputs, 1);

    connect(GetSetup, &QPushButton::clicked, this, [this] { GetSetupClick(GetSetup); });
    connect(SetSetup, &QPushButton::clicked, this, [this] { SetSetupClick(SetSetup); });
}

void TImpulseSetup::InitPage()
{
    Out1->InitFrame();
    Out2->InitFrame();
}

bool TImpulseSetup::GetSetupClick(QObject* sender)
{
    return TDevicePageFrame::ReadPage(sender == nullptr);
}

bool TImpulseSetup::SetSetupClick(QObject*)
{
    return WritePage();
}

void TImpulseSetup::SetQmin(double value)
{
    Out1->SetQmin(value);
    Out2->SetQmin(value);
}

void TImpulseSetup::SetQmax(double value)
{
    Out1->SetQmax(value);
    Out2->SetQmax(value);
}

bool TImpulseSetup::CollectPage()
{
    if (!CollectBindings(0))
        return false;
    const char* refusal = nullptr;
    {
        ZT_Helper& d = PageHost->Device();
        TDeviceHelperLocker locker(d);
        // A logical output only switches: it needs no weight.
        auto weightless = [&d](const TOutputFields& out) {
            return d.Get(out.OutputType) != TImpulseOutFrame::otLogical && d.Get(out.Weight) == 0.0f;
        };
        if (weightless(ZT_Fields::Out1))
            refusal = "Не задан вес импульса 1";
        else if (weightless(ZT_Fields::Out2))
            refusal = "Не задан вес импульса 2";
    }
    if (refusal) {
        PageHost->LogMessage(refusal);
        return false;
    }
    return true;
}

void TImpulseSetup::WriteSection(const ZT_Pages::TConfiguration& node) const
{
    ZT_Pages::WriteOutputSection(node.ChildNodeByName("Out1"), Out1->WriteSection());
    ZT_Pages::WriteOutputSection(node.ChildNodeByName("Out2"), Out2->WriteSection());
}

void TImpulseSetup::ReadSection(const ZT_Pages::TConfiguration& node)
{
    const ZT_Pages::TOutputSectionStruct out1 = ZT_Pages::ReadOutputSection(node.ChildNodeByName("Out1"));
    const ZT_Pages::TOutputSectionStruct out2 = ZT_Pages::ReadOutputSection(node.ChildNodeByName("Out2"));
    Out1->ReadSection(out1);
    Out2->ReadSection(out2);
}
