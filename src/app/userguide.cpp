#include "app/userguide.h"

#include <QDir>
#include <QFileInfo>

#ifndef ZT_GUIDE_FROM_BINDIR
#define ZT_GUIDE_FROM_BINDIR "../share/doc/zt-configurator"
#endif

namespace {

bool IsFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

} // namespace

QString FindUserGuide(const QString& programDir, const QString& installedDir, const QString& sourceDocs)
{
    const QDir installed(QDir(programDir).filePath(installedDir));
    for (const char* name : {"user-guide.html", "user-guide.md"}) {
        const QString path = installed.filePath(QString::fromLatin1(name));
        if (IsFile(path))
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    if (!sourceDocs.isEmpty()) {
        const QString path = QDir(sourceDocs).filePath(QStringLiteral("user-guide.md"));
        if (IsFile(path))
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    return QString();
}

QString FindUserGuide(const QString& programDir)
{
    return FindUserGuide(programDir, QString::fromUtf8(ZT_GUIDE_FROM_BINDIR),
                         QString::fromUtf8(ZT_SOURCE_DIR "/docs"));
}
