// The zero-point dialog: reads the zero points of the current sensor and of
// the resistance measurement three times, shows every reading and the
// smallest, and on Update stores the smallest into the image.
//
// Threading: UI thread only; Read blocks for its three exchanges.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "app/session.h"
#include "ui/control_ids.h"
#include "ui/dialog.h"
#include "ui/host.h"

namespace tarn {

inline constexpr int kZeroPointCount = 5;

class CReadZeroADdlg : public ui::Dialog {
 public:
  CReadZeroADdlg(ui::Host& host, Session& session);

  void OnInitDialog() override;
  void OnCommand(int id) override;

 private:
  using Reading = std::array<std::int32_t, kZeroPointCount>;

  void Read();
  void Update();
  // One ReadZeroPoints exchange; the five values when the reply counts.
  std::optional<Reading> ReadOnce();
  void TakeReading(const Reading& reading, bool first);

  Session& session_;
};

}  // namespace tarn
