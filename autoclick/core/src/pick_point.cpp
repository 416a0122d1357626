// Picking the point with the mouse: F8 in the window or a double-click on the read-out, then a
// click anywhere on the screen puts its point into Text4 and Text5, the fields a run reads at
// every click. Nothing else changes, so a pick during a run moves its next click there. A click
// of the run that comes due while the pick waits is held until it ends (clicks due meanwhile make
// one), since the surface over the screen would take it.
#include <string>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {

void FrmMousePos::PickKey_Pressed() {
  BeginPick();
}

void FrmMousePos::Text2_DblClick() {
  BeginPick();
}

void FrmMousePos::BeginPick() {
  if (picking_) return;  // the pick going takes the next click; a second would only lose it
  picking_ = true;
  services_.pick.Begin([this](const platform::PickOutcome& outcome) {
    pick_outcome_ = outcome;
    // Through the dispatch, like a control's event: the held click may fail as any click does.
    OnFormEvent(kPickSource, "Done");
  });
}

void FrmMousePos::Pick_Done() {
  picking_ = false;
  const platform::PickOutcome& outcome = pick_outcome_;
  switch (outcome.kind) {
    case platform::PickOutcome::Kind::kPicked:
      // The digits the read-out shows for the same point.
      text4_.SetText(std::to_string(outcome.point.x));
      text5_.SetText(std::to_string(outcome.point.y));
      break;
    case platform::PickOutcome::Kind::kCancelled:
      break;
    case platform::PickOutcome::Kind::kRefused: {
      std::string message(texts::kPickRefusedMessage);
      if (!outcome.detail.empty()) message += " (" + outcome.detail + ")";
      services_.program.ShowMessage(message);
      break;
    }
  }
  const std::optional<ClickMode> held = held_click_;
  held_click_.reset();
  if (held && !command4_.Enabled()) Tick(*held);  // unless the run has ended meanwhile (F6)
}

}  // namespace clickora::autoclick
