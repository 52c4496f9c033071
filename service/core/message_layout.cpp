#include "message_layout.h"

namespace lookout {

unsigned EffectiveMessageStyle(unsigned style) {
  unsigned buttons = style & mb::kTypeMask;
  bool plain = buttons == mb::kOk || buttons == mb::kOkCancel || buttons == mb::kYesNoCancel || buttons == mb::kYesNo;
  if ((style & mb::kIconMask) == 0 && plain) style |= mb::kIconExclamation;
  return style;
}

MessageIcon MessageIconOf(unsigned effectiveStyle) {
  switch (effectiveStyle & mb::kIconMask) {
    case mb::kIconExclamation:
      return MessageIcon::Exclamation;
    case mb::kIconQuestion:
      return MessageIcon::Question;
    default:
      return MessageIcon::Information;
  }
}

bool MessageHasTwoButtons(unsigned style) {
  unsigned buttons = style & mb::kTypeMask;
  return buttons == mb::kOkCancel || buttons == mb::kYesNo;
}

bool MessageUsesYesNo(unsigned style) { return (style & mb::kTypeMask) == mb::kYesNo; }

MessageTextLayout FitMessageText(int fieldWidth, int fieldHeight, int windowWidth, int windowHeight,
                                 const std::function<int(int)>& measure) {
  int width = fieldWidth;
  int need = measure(width);
  if (need > fieldHeight && windowWidth < kWideMessageWidth) {
    width += kWideMessageWidth - windowWidth;
    need = measure(width);
  }
  int height = need > fieldHeight ? need : fieldHeight;
  return {width, height, windowWidth + (width - fieldWidth), windowHeight + (height - fieldHeight)};
}

MessageButtons PlaceMessageButtons(unsigned style, int clientWidth, int buttonWidth) {
  int centre = clientWidth / 2;
  if (MessageHasTwoButtons(style)) return {true, centre - kButtonHalfGap - buttonWidth, centre + kButtonHalfGap};
  return {false, centre - buttonWidth / 2, 0};
}

int MessageResult(unsigned style, int dialogResult) {
  if (MessageUsesYesNo(style)) return dialogResult == kResultOk ? kResultYes : kResultNo;
  return dialogResult;
}

}  // namespace lookout
