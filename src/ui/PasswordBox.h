#pragma once
// The program's password boxes (the login screen's and the control panel's) show
// each typed character as "*", whatever the desktop style's own mask is.
class QLineEdit;

namespace quorvel::ui {

// Hides what is typed into `box` behind one "*" per character.
void MaskAsPassword(QLineEdit& box);

}  // namespace quorvel::ui
