#include "pages/read_zero_dlg.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "link/controller_link.h"
#include "model/text_numbers.h"

namespace tarn {

namespace {

constexpr int kReadingsPerRead = 3;
constexpr auto kReplyWait = std::chrono::milliseconds(50);
constexpr std::size_t kBytesPerValue = 2;
constexpr unsigned kBitsPerByte = 8;
// A reply counts only when it carries all five values.
constexpr std::size_t kReadingBytes = kZeroPointCount * kBytesPerValue;

// Per value: the edit of the smallest value, the edit of the readings and the
// first of its two image bytes (high byte first).
struct ZeroPointPlace {
  int smallestEdit;
  int readingsEdit;
  int imageAddress;
};

constexpr std::array<ZeroPointPlace, kZeroPointCount> kPlaces = {{
    {kIdZeroSmallestA, kIdZeroReadingsA, 33},                      // current sensor, phase A
    {kIdZeroSmallestB, kIdZeroReadingsB, 35},                      // current sensor, phase B
    {kIdZeroResistanceSmallestA, kIdZeroResistanceReadingsA, 40},  // resistance, phase A
    {kIdZeroResistanceSmallestB, kIdZeroResistanceReadingsB, 42},  // resistance, phase B
    {kIdZeroResistanceSmallestC, kIdZeroResistanceReadingsC, 44},  // resistance, phase C
}};

struct Caption {
  int id;
  std::u16string_view text;
};

constexpr std::array<Caption, 9> kCaptions = {{
    {kIdZeroHallGroup, u"Hall Zero"},
    {kIdZeroHallALabel, u"Hall_A_Zero"},
    {kIdZeroHallBLabel, u"Hall_B_Zero"},
    {kIdZeroResistanceGroup, u"RZ Zero"},
    {kIdZeroResistanceALabel, u"RZ_A_Zero"},
    {kIdZeroResistanceBLabel, u"RZ_B_Zero"},
    {kIdZeroResistanceCLabel, u"RZ_C_Zero"},
    {kIdZeroRead, u"Read"},
    {kIdZeroUpdate, u"Update"},
}};

}  // namespace

CReadZeroADdlg::CReadZeroADdlg(ui::Host& host, Session& session)
    : ui::Dialog(host, kTemplateReadZero), session_(session) {}

void CReadZeroADdlg::OnInitDialog() {
  for (const Caption& caption : kCaptions) {
    SetText(caption.id, caption.text);
  }
  // Update writes the held zero points into the image; before anything was
  // read in this run they are placeholders, not the controller's values.
  EnableControl(kIdZeroUpdate, session_.zeroPointsRead);
}

void CReadZeroADdlg::OnCommand(int id) {
  if (id == kIdZeroRead) {
    Read();
  } else if (id == kIdZeroUpdate) {
    Update();
  } else {
    ui::Dialog::OnCommand(id);
  }
}

std::optional<CReadZeroADdlg::Reading> CReadZeroADdlg::ReadOnce() {
  Reply reply;
  if (!session_.link.Exchange(kCommandReadZeroPoints, {}, kReplyWait, &reply) ||
      reply.command != kCommandReadZeroPoints || reply.length < kReadingBytes) {
    return std::nullopt;
  }
  Reading reading{};
  for (std::size_t i = 0; i < reading.size(); ++i) {
    reading[i] =
        (reply.data[kBytesPerValue * i] << kBitsPerByte) | reply.data[kBytesPerValue * i + 1];
  }
  return reading;
}

// The first reading of a Read replaces the texts; later ones are appended.
// The held values start from the reading when nothing had counted before in
// this run, so the start values of 0 never win the minimum.
void CReadZeroADdlg::TakeReading(const Reading& reading, bool first) {
  const bool replace = first || !session_.zeroPointsRead;
  for (std::size_t i = 0; i < reading.size(); ++i) {
    const ZeroPointPlace& place = kPlaces[i];
    const std::u16string value = numbers::DecimalText(reading[i]);
    SetText(place.readingsEdit, first ? value : GetText(place.readingsEdit) + u"," + value);
    std::int32_t& held = session_.zeroPoints[i];
    held = replace ? reading[i] : std::min(held, reading[i]);
  }
  session_.zeroPointsRead = true;
}

void CReadZeroADdlg::Read() {
  for (int n = 0; n < kReadingsPerRead; ++n) {
    if (const auto reading = ReadOnce()) {
      TakeReading(*reading, n == 0);
    }
  }
  for (std::size_t i = 0; i < kPlaces.size(); ++i) {
    SetText(kPlaces[i].smallestEdit, numbers::DecimalText(session_.zeroPoints[i]));
  }
  EnableControl(kIdZeroUpdate, session_.zeroPointsRead);
}

void CReadZeroADdlg::Update() {
  if (!session_.zeroPointsRead) {
    return;
  }
  for (std::size_t i = 0; i < kPlaces.size(); ++i) {
    session_.image.WriteBigEndian(kPlaces[i].imageAddress, kBytesPerValue,
                                  static_cast<std::uint32_t>(session_.zeroPoints[i]));
  }
}

}  // namespace tarn
