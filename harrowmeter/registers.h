#pragma once
// Register numbers of the Harrowmeter and the small fixed facts that go with them.
// Channel arguments are indexes 0..7 (channel 1 is index 0).
#include <cstdint>
#include <optional>

namespace qg::harrowmeter {

namespace reg {
inline constexpr std::uint16_t kChannelValue = 0;  // 0..7
inline constexpr std::uint16_t kAlarmStatus = 8;
inline constexpr std::uint16_t kInstrumentStatus = 9;
inline constexpr std::uint16_t kChannelStatus = 10;  // 10..13, two channels each
inline constexpr std::uint16_t kClockSecMin = 14;
inline constexpr std::uint16_t kClockHourDay = 15;
inline constexpr std::uint16_t kClockMonthYear = 16;
inline constexpr std::uint16_t kChannelSetup = 17;  // 17..24
inline constexpr std::uint16_t kLoggingMode = 25;
inline constexpr std::uint16_t kAlarmSetPoint = 26;  // 26 + 2ch (alarm 1), 27 + 2ch (alarm 2)
inline constexpr std::uint16_t kStartSecMin = 42;
inline constexpr std::uint16_t kStartHourDay = 43;
inline constexpr std::uint16_t kStartMonthYear = 44;
inline constexpr std::uint16_t kStopSecMin = 45;
inline constexpr std::uint16_t kStopHourDay = 46;
inline constexpr std::uint16_t kStopMonthYear = 47;
inline constexpr std::uint16_t kProgrammedCountLow = 48;
inline constexpr std::uint16_t kAcquisitionCommand = 49;
inline constexpr std::uint16_t kIntervalTenthsSec = 50;
inline constexpr std::uint16_t kIntervalMinHour = 51;
inline constexpr std::uint16_t kIntervalMultiplier = 52;  // 52..59
inline constexpr std::uint16_t kScaleLimit = 60;          // 60 + 2ch (low), 61 + 2ch (high)
inline constexpr std::uint16_t kTitle = 76;               // 76..83
inline constexpr std::uint16_t kTag = 84;                 // 84 + 4ch .. 87 + 4ch
inline constexpr std::uint16_t kEngUnit = 116;            // 116 + 4ch .. 119 + 4ch
inline constexpr std::uint16_t kFilter = 148;             // 148..151, two channels each
inline constexpr std::uint16_t kDecimalPoints = 152;
inline constexpr std::uint16_t kFirstAcquisition = 174;   // 174..176
inline constexpr std::uint16_t kMainsFrequency = 177;
inline constexpr std::uint16_t kProgrammedCountHigh = 179;
inline constexpr std::uint16_t kCapacityHigh = 180;
inline constexpr std::uint16_t kStoredCountHigh = 182;
inline constexpr std::uint16_t kTotalWrittenHigh = 183;
inline constexpr std::uint16_t kTotalWrittenLow = 184;
inline constexpr std::uint16_t kNetworkAddress = 186;
inline constexpr std::uint16_t kNetworkBaud = 187;
inline constexpr std::uint16_t kLastAcquisition = 192;  // 192..194
inline constexpr std::uint16_t kStoredCountLow = 195;
inline constexpr std::uint16_t kCapacityLow = 196;
inline constexpr std::uint16_t kSerialNumberHigh = 197;
inline constexpr std::uint16_t kSerialNumberLow = 198;
inline constexpr std::uint16_t kFirmwareVersion = 199;
inline constexpr std::uint16_t kDeviceIdentification = 200;

constexpr std::uint16_t ChannelValue(int ch) { return static_cast<std::uint16_t>(kChannelValue + ch); }
constexpr std::uint16_t ChannelSetup(int ch) { return static_cast<std::uint16_t>(kChannelSetup + ch); }
constexpr std::uint16_t SetPoint1(int ch) { return static_cast<std::uint16_t>(kAlarmSetPoint + 2 * ch); }
constexpr std::uint16_t SetPoint2(int ch) { return static_cast<std::uint16_t>(kAlarmSetPoint + 2 * ch + 1); }
constexpr std::uint16_t Multiplier(int ch) { return static_cast<std::uint16_t>(kIntervalMultiplier + ch); }
constexpr std::uint16_t ScaleLow(int ch) { return static_cast<std::uint16_t>(kScaleLimit + 2 * ch); }
constexpr std::uint16_t ScaleHigh(int ch) { return static_cast<std::uint16_t>(kScaleLimit + 2 * ch + 1); }
constexpr std::uint16_t Tag(int ch) { return static_cast<std::uint16_t>(kTag + 4 * ch); }
constexpr std::uint16_t EngUnit(int ch) { return static_cast<std::uint16_t>(kEngUnit + 4 * ch); }
}  // namespace reg

inline constexpr int kChannels = 8;
inline constexpr std::uint16_t kBlockSize = 201;         // registers 0..200
inline constexpr std::uint16_t kFirstPartCount = 125;    // from register 0
inline constexpr std::uint16_t kSecondPartStart = 125;
inline constexpr std::uint16_t kSecondPartCount = 76;
inline constexpr std::uint16_t kLiveBlockCount = 14;     // registers 0..13
inline constexpr std::uint16_t kStoredCountBlock = 14;   // registers 182..195
inline constexpr std::uint16_t kIdentification = 32;
inline constexpr std::uint16_t kCommandStop = 0;
inline constexpr std::uint16_t kCommandStart = 15;
inline constexpr std::uint16_t kEventMarker = 0x8888;
inline constexpr int kYearBase = 1998;  // year offset 0
inline constexpr int kTitleChars = 16;
inline constexpr int kTagChars = 8;
inline constexpr int kUnitChars = 8;

// Baud rate codes of register 187.
inline constexpr std::uint32_t kBaudOfCode[5] = {1200, 2400, 4800, 9600, 19200};
std::optional<std::uint32_t> BaudOfCode(std::uint16_t code);
std::optional<std::uint16_t> CodeOfBaud(std::uint32_t baud);

// Logging mode fields.
enum StartMode : std::uint8_t { kStartBySerial = 0, kStartAtTime = 1, kStartByInput = 2 };
enum StopMode : std::uint8_t {
  kStopMemoryFull = 0,  // or never, with wrap
  kStopAtTime = 1,
  kStopAfterCount = 2,
  kStopByInput = 3,
};

}  // namespace qg::harrowmeter
