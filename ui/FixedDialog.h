// The layout shared by the program's small fixed-size information windows:
// a framed content area over one centred default button that closes the
// window, the whole window centred on the screen of its parent.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace ui {

// Lays `content` and an OK button captioned `okCaption` out in `dialog`,
// fixes its size and centres it. Esc and Enter both close it (QDialog's
// reject and the default button).
void LayOutFixedDialog(QDialog& dialog, QWidget* content, QWidget* parent,
                       const QString& okCaption);

}  // namespace ui
