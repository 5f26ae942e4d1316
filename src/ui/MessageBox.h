#pragma once
// Every message box of the program goes through this seam, so tests can script the
// answers and read back exactly what a cafe owner would have seen.
#include <QString>

class QWidget;

namespace quorvel::ui {

// Flag values of the boxes the program shows.
inline constexpr int kMbOk = 0;
inline constexpr int kMbCritical = 16;
inline constexpr int kMbYesNoQuestion = 36;
inline constexpr int kMbExclamation = 48;
inline constexpr int kMbInformation = 64;
// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box and returns the button pressed.
    virtual int MsgBox(const QString& text, int flags, const QString& title) = 0;
};

// The real boxes, modal and above the full-screen windows.
class QtMessageBoxes final : public MessageBoxes {
  public:
    int MsgBox(const QString& text, int flags, const QString& title) override;
};

}  // namespace quorvel::ui
