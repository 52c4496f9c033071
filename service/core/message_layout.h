// The timed message box's rules that need no window: the style it really uses, its icon,
// how the text field and window grow to the text, where the buttons go, and its result.
#pragma once

#include <functional>

namespace lookout {

// Style bits as the platform's message-box call has them.
namespace mb {
constexpr unsigned kTypeMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kOk = 0, kOkCancel = 1, kAbortRetryIgnore = 2, kYesNoCancel = 3, kYesNo = 4, kRetryCancel = 5;
constexpr unsigned kIconError = 0x10, kIconQuestion = 0x20, kIconExclamation = 0x30, kIconInformation = 0x40;
}  // namespace mb

constexpr int kWideMessageWidth = 500;  // a text that does not fit widens the window to this
constexpr int kButtonHalfGap = 30;      // from the centre line to each of two buttons
constexpr int kMessageTimerId = 1000;
constexpr int kYesTextId = 180;
constexpr int kNoTextId = 181;
constexpr int kMessageCaptionId = 140;
constexpr int kResultOk = 1, kResultCancel = 2, kResultYes = 6, kResultNo = 7;

// Adds the exclamation icon to a style without icon whose buttons are OK, OK/Cancel,
// Yes/No/Cancel or Yes/No.
unsigned EffectiveMessageStyle(unsigned style);

enum class MessageIcon { Exclamation, Question, Information };
MessageIcon MessageIconOf(unsigned effectiveStyle);

// OK/Cancel and Yes/No show two buttons; every other style only the first.
bool MessageHasTwoButtons(unsigned style);
// Yes/No: the buttons say "是" and "否".
bool MessageUsesYesNo(unsigned style);

struct MessageTextLayout {
  int fieldWidth, fieldHeight;
  int windowWidth, windowHeight;
};
// The text field grows to the word-wrapped text (`measure(width)` gives its height); a text
// taller than the field first widens the field so that the window becomes 500 wide.
MessageTextLayout FitMessageText(int fieldWidth, int fieldHeight, int windowWidth, int windowHeight,
                                 const std::function<int(int width)>& measure);

struct MessageButtons {
  bool second;  // the second button is shown
  int left1, left2;
};
// Two buttons: the first ends 30 left of the centre line, the second starts 30 right of it;
// one button is centred.
MessageButtons PlaceMessageButtons(unsigned style, int clientWidth, int buttonWidth);

// Yes/No: 6 when the box ended with OK, else 7; other styles keep the box's result.
int MessageResult(unsigned style, int dialogResult);

}  // namespace lookout
