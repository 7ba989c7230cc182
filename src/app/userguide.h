#pragma once
// Where the user guide that "Справка" opens lies: the installed one beside
// the program's prefix (HTML before Markdown), else, for a program run from
// its build tree, the Markdown in the source tree's docs/.

#include <QString>

// The guide for a program in programDir (the folder of the executable);
// empty when there is none. installedDir is where the installed guide is,
// relative to programDir; sourceDocs the source tree's docs/ folder.
QString FindUserGuide(const QString& programDir, const QString& installedDir, const QString& sourceDocs);

// The same with this build's install layout and source tree.
QString FindUserGuide(const QString& programDir);
