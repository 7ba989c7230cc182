#pragma once
// A page under test without a workspace or a meter: a fake host keeps the
// device model, notes every block read and write the page asks for and
// every line it logs, and stands as the page's host while it lives.

#include "pages/pageframe.h"
#include "tests/support/qtapp.h"

#include <string>
#include <vector>

class TFakePageHost : public TPageHost {
public:
    TFakePageHost() : previous_(PageHost) { PageHost = this; }
    ~TFakePageHost() override { PageHost = previous_; }

    ZT_Helper& Device() override { return device; }
    bool ReadBlock(const ZT_namespace::TBlockStruct& block, bool background) override
    {
        started.push_back(std::string(background ? "poll " : "read ") + std::string(block.Name));
        return accept;
    }
    bool WriteBlock(const ZT_namespace::TBlockStruct& block, bool second) override
    {
        started.push_back(std::string(second ? "write2 " : "write ") + std::string(block.Name));
        return accept;
    }
    bool StartArchiveRead(const ZT_namespace::TArchiveReadStruct& read,
                          const ZT_ReadArchiveDataSetup&) override
    {
        started.push_back("archive " + std::to_string(read.Tag));
        return accept;
    }
    void LogMessage(const std::string& text) override { log.push_back(text); }
    void SetDeviceTitle(const std::string& text) override { title = text; }

    // Writes the model under its lock.
    template <class F, class V> void Set(F field, V value)
    {
        TDeviceHelperLocker lock(device);
        device.Set(field, value);
    }

    ZT_Helper device;
    std::vector<std::string> started;
    std::vector<std::string> log;
    std::string title;
    bool accept = true;

private:
    TPageHost* previous_;
};

// A page of class P on the fake host, initialised as the workspace would
// with the block of its page-table row.
template <class P> class TPageFixture : private TQtApp {
public:
    explicit TPageFixture(const ZT_namespace::TBlockStruct* block = nullptr)
    {
        page.SetPageBlock(block);
        page.InitPage();
        page.resize(1000, 600);
    }
    template <class W> W* Find(const char* name) { return page.template findChild<W*>(name); }

    TFakePageHost host;
    P page;
};
