// "Справка": where the user guide is looked up, and the action handing the
// found guide to the desktop's opener (replaced here, so no viewer starts).

#include "app/mainframe.h"
#include "app/userguide.h"
#include "engine/qtnotifydispatcher.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "help_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    static TQtNotifyDispatcher* dispatcher = [] {
        auto* d = new TQtNotifyDispatcher;
        TMessageDispatcher::Install(d);
        return d;
    }();
    (void)dispatcher;
    return *app;
}

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("# guide\n");
}

TEST(FindUserGuide, InstalledBeforeSourceTree_HtmlBeforeMarkdown)
{
    // A prefix with bin/ and share/doc/zt-configurator/, and a source tree.
    struct Case {
        const char* what;
        std::vector<const char*> files; // relative to the temporary root
        const char* expected;           // relative to the root; "" when none
    };
    const Case cases[] = {
        {"both installed", {"prefix/share/doc/zt-configurator/user-guide.html",
                            "prefix/share/doc/zt-configurator/user-guide.md", "src/docs/user-guide.md"},
         "prefix/share/doc/zt-configurator/user-guide.html"},
        {"Markdown installed", {"prefix/share/doc/zt-configurator/user-guide.md", "src/docs/user-guide.md"},
         "prefix/share/doc/zt-configurator/user-guide.md"},
        {"build tree", {"src/docs/user-guide.md"}, "src/docs/user-guide.md"},
        {"a folder named like the guide is no guide",
         {"prefix/share/doc/zt-configurator/user-guide.html/x", "src/docs/user-guide.md"},
         "src/docs/user-guide.md"},
        {"nothing", {}, ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        QDir().mkpath(root.filePath("prefix/bin"));
        for (const char* file : c.files)
            Touch(root.filePath(QString::fromLatin1(file)));
        const QString found = FindUserGuide(root.filePath("prefix/bin"), "../share/doc/zt-configurator",
                                            root.filePath("src/docs"));
        const QString expected = *c.expected ? QDir::cleanPath(root.filePath(c.expected)) : QString();
        EXPECT_EQ(found.toStdString(), expected.toStdString()) << c.what;
    }
}

TEST(HelpAction, F1_HandsAnExistingGuideToTheOpener)
{
    App();
    auto form = std::make_unique<TMainForm>();
    auto* help = form->findChild<QAction*>("HelpAction");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isEnabled());
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));

    std::vector<QUrl> opened;
    form->SetHelpOpener([&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    help->trigger();
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_TRUE(opened[0].isLocalFile()) << opened[0].toString().toStdString();
    const QFileInfo guide(opened[0].toLocalFile());
    EXPECT_TRUE(guide.isFile()) << guide.filePath().toStdString();
    EXPECT_EQ(guide.completeBaseName(), QString("user-guide"));

    // A desktop without a viewer: the window says so in its log.
    form->SetHelpOpener([](const QUrl&) { return false; });
    help->trigger();
    const QString log = form->findChild<QPlainTextEdit*>("ConsoleMemo")->toPlainText();
    EXPECT_TRUE(log.contains(QString::fromUtf8("Не удалось открыть руководство пользователя: ") + guide.filePath()))
        << log.toStdString();
}

} // namespace
