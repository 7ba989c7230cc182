#pragma once
// The 24 x 24 image list of the workspace's page tree, drawn in code: one
// plain, legible symbol per image index.

#include <QIcon>

// The image at `index` of the list; an empty icon for an index not drawn.
QIcon TreeImage(int index);
