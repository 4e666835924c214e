#pragma once
// The pictures of the program, drawn at start-up: the tool-bar images
// (32 x 32), the tree images and the grid images (16 x 16), the program icon.
#include <QPixmap>

namespace zel::images {

enum Toolbar {
  tbConnect,
  tbDisconnect,
  tbTableList,
  tbDefinition,
  tbSettings,
  tbManual,
  tbAbout,
  kToolbarCount
};
enum Tree { trServer, trDatabase, trOwner, trTable, kTreeCount };
enum Grid { grCheck, grKey, kGridCount };

QPixmap ToolbarImage(int index);
QPixmap TreeImage(int index);
QPixmap GridImage(int index);
// The desktop entry's icon files are drawn from it too (tools/Icon.cpp).
QPixmap ProgramIcon(int size = 32);

}  // namespace zel::images
