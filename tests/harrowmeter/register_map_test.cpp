#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "harrowmeter/config.h"
#include "harrowmeter/format.h"
#include "harrowmeter/input_types.h"
#include "harrowmeter/registers.h"
#include "harrowmeter/status_texts.h"

namespace qg::harrowmeter {
namespace {

struct DecodeCase {
  const char* name;
  std::function<void(ConfigBlock&)> fill;
  std::function<void(const HarrowmeterConfig&)> check;
};

// The case's name, not its bytes (which hold addresses), in test listings.
void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class HmDecodeTable : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(HmDecodeTable, DecodesAsTabled) {
  ConfigBlock w{};
  GetParam().fill(w);
  HarrowmeterConfig cfg;
  DecodeConfigBlock(w, cfg);
  GetParam().check(cfg);
}

const DecodeCase kDecodeCases[] = {
    {"Pt100EnabledScaleFromTable",
     [](ConfigBlock& w) {
       w[17] = 0x0088;
       w[60] = 111;
       w[61] = 222;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.Enabled[0], 1);
       EXPECT_EQ(c.InputType[0], 8);
       EXPECT_EQ(c.UnitF[0], 0);
       EXPECT_EQ(c.Differential[0], 0);
       EXPECT_EQ(c.Alarm1Type[0], 0);
       EXPECT_EQ(c.Alarm2Type[0], 0);
       EXPECT_EQ(c.ScaleLo[0], -1999);
       EXPECT_EQ(c.ScaleHi[0], 5300);
     }},
    {"LinearFahrenheitAlarmsScaleFromRegisters",
     [](ConfigBlock& w) {
       w[17] = 0x5A32;
       w[60] = static_cast<std::uint16_t>(-500);
       w[61] = 1500;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.InputType[0], 18);
       EXPECT_EQ(c.UnitF[0], 1);
       EXPECT_EQ(c.Enabled[0], 0);
       EXPECT_EQ(c.Alarm1Type[0], 2);    // high
       EXPECT_EQ(c.Alarm1Relays[0], 2);  // relay 2
       EXPECT_EQ(c.Alarm2Type[0], 1);    // low
       EXPECT_EQ(c.Alarm2Relays[0], 1);  // relay 1
       EXPECT_EQ(c.ScaleLo[0], -500);
       EXPECT_EQ(c.ScaleHi[0], 1500);
     }},
    {"Codes8And17KeepTheirOwnRanges",
     [](ConfigBlock& w) {
       w[17] = 8;
       w[18] = 8 | 0x20;
       w[19] = 17;
       w[20] = 17 | 0x20;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.ScaleLo[0], -1999);
       EXPECT_EQ(c.ScaleLo[1], -3262);
       EXPECT_EQ(c.ScaleHi[1], 9860);
       EXPECT_EQ(c.ScaleLo[2], -2000);
       EXPECT_EQ(c.ScaleHi[2], 5300);
       EXPECT_EQ(c.ScaleLo[3], -3280);
     }},
    {"SerialNumberAndFirmware",
     [](ConfigBlock& w) {
       w[197] = 12;
       w[198] = 345;
       w[199] = 5;
       w[177] = 60;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.SerialNumber, 120345u);
       EXPECT_EQ(FormatSerialNumber(c.SerialNumber), "00120345");
       EXPECT_EQ(FormatFirmware(c.Firmware), "0.05");
       EXPECT_EQ(c.MainsHz, 60);
     }},
    {"ProgrammedCountAndCapacitySplitOverFarRegisters",
     [](ConfigBlock& w) {
       w[179] = 1;
       w[48] = 0;
       w[180] = 2;
       w[196] = 0xFFFF;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.ProgrammedCount, 65536);
       EXPECT_EQ(c.Capacity, 2 * 65536 + 65535);
     }},
    {"StartAndStopDates",
     [](ConfigBlock& w) {
       w[42] = PackBytes(59, 30);
       w[43] = PackBytes(23, 31);
       w[44] = 0x0C03;
       w[47] = 0x011F;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.StartTime, (PackedTime{59, 30, 23, 31, 12, 3}));  // December 2001
       EXPECT_EQ(c.StopTime[4], 1);                                  // January ...
       EXPECT_EQ(kYearBase + c.StopTime[5], 2029);                   // ... 2029
     }},
    {"DecimalPointsWord",
     [](ConfigBlock& w) { w[152] = 0x0006; },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.DecimalPoint[0], 2);
       EXPECT_EQ(c.DecimalPoint[1], 1);
       for (int i = 2; i < 8; ++i) EXPECT_EQ(c.DecimalPoint[i], 0) << i;
     }},
    {"LoggingModeIntervalFiltersAndStatusBytes",
     [](ConfigBlock& w) {
       w[25] = 0x0001 | (2 << 1) | (1 << 3) | 0x40;
       w[50] = PackBytes(5, 30);
       w[51] = PackBytes(15, 2);
       w[148] = PackBytes(9, 1);
       w[151] = PackBytes(7, 3);
       w[10] = PackBytes(0x04, 0x11);
       w[13] = PackBytes(0, 0x80);
       w[8] = 0x8001;
       w[9] = 0x0018;
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(c.Wrap, 1);
       EXPECT_EQ(c.StopMode, 2);
       EXPECT_EQ(c.StartMode, 1);
       EXPECT_EQ(c.Relay1Mode, 0);
       EXPECT_EQ(c.Relay2Mode, 1);
       EXPECT_EQ(c.IntervalTenths, 5);
       EXPECT_EQ(c.IntervalSeconds, 30);
       EXPECT_EQ(c.IntervalMinutes, 15);
       EXPECT_EQ(c.IntervalHours, 2);
       EXPECT_EQ(c.FilterValue[0], 9);
       EXPECT_EQ(c.FilterValue[1], 1);
       EXPECT_EQ(c.FilterValue[6], 7);
       EXPECT_EQ(c.FilterValue[7], 3);
       EXPECT_EQ(c.ChannelStatusBytes[0], 0x04);
       EXPECT_EQ(c.ChannelStatusBytes[1], 0x11);
       EXPECT_EQ(c.ChannelStatusBytes[7], static_cast<std::int8_t>(0x80));
       EXPECT_EQ(c.AlarmStatus, 0x8001);
       EXPECT_EQ(c.Status, 0x0018);
     }},
    {"TextsHighByteFirstAndAFullFieldStillEnds",
     [](ConfigBlock& w) {
       const auto title = EncodeText("ABCDEFGHIJKLMNOP", 8);  // fills all 16 bytes
       std::copy(title.begin(), title.end(), w.begin() + 76);
       const auto tag = EncodeText("T\xB0" "1", 4);  // Windows-1252 degree sign
       std::copy(tag.begin(), tag.end(), w.begin() + 84 + 4 * 2);
       w[116] = PackBytes('%', 0);
       w[117] = PackBytes('x', 'y');  // after the zero: no meaning
     },
     [](const HarrowmeterConfig& c) {
       EXPECT_EQ(std::string(c.TitleText.data()), "ABCDEFGHIJKLMNOP");
       EXPECT_EQ(c.TitleText[16], '\0');
       EXPECT_EQ(FieldToUtf8<kTagChars>(c.TagText[2]), "T°1");
       EXPECT_EQ(std::string(c.EngUnitText[0].data()), "%");
     }},
};

INSTANTIATE_TEST_SUITE_P(Block, HmDecodeTable, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HmEncoders, ChannelSetupWordsSurviveDecodeAndEncode) {
  for (std::uint16_t word : {0x0088, 0x5A32, 0xFFFF & ~0x0000, 0x0000, 0x9F53}) {
    ConfigBlock w{};
    w[17 + 5] = word;
    HarrowmeterConfig cfg;
    DecodeConfigBlock(w, cfg);
    std::uint16_t expected = word;
    if ((expected & 0x1F) > 19) continue;  // not an input type
    EXPECT_EQ(EncodeChannelSetup(cfg, 5), expected) << std::hex << word;
  }
}

TEST(HmEncoders, FieldsAreMaskedToTheirWidths) {
  HarrowmeterConfig c;
  c.InputType[0] = 0x3F;  // only 5 bits survive
  c.Enabled[0] = 3;
  c.Alarm2Relays[0] = 7;
  EXPECT_EQ(EncodeChannelSetup(c, 0), 0x1F | 0x80 | 0xC000);
  c.Relay2Mode = 1;
  c.Relay1Mode = 0;
  c.StartMode = 2;
  c.StopMode = 3;
  c.Wrap = 0;
  EXPECT_EQ(EncodeLoggingMode(c), (1 << 6) | (2 << 3) | (3 << 1));
}

TEST(HmEncoders, DecimalPointsOnlyForLinearChannels) {
  HarrowmeterConfig c;
  c.InputType = {18, 19, 8, 0, 0, 0, 0, 19};
  c.DecimalPoint = {2, 1, 1, 3, 0, 0, 0, 3};
  EXPECT_EQ(EncodeDecimalPoints(c), 0x0006 | (3u << 14));
}

TEST(HmEncoders, TextsDatesAndCounts) {
  EXPECT_EQ(EncodeText("ABC", 4), (std::vector<std::uint16_t>{0x4142, 0x4300, 0, 0}));
  EXPECT_EQ(EncodeText("ABCDEFGHIJ", 4), (std::vector<std::uint16_t>{0x4142, 0x4344, 0x4546, 0x4748}));
  const std::uint16_t words[] = {0x4142, 0x4300, 0x4445};
  EXPECT_EQ(DecodeText(words, 3), "ABC");
  EXPECT_EQ(EncodePackedTime({9, 30, 14, 20, 3, 4}),
            (std::array<std::uint16_t, 3>{0x091E, 0x0E14, 0x0304}));
  const auto s = SplitCount32(65536 + 7);
  EXPECT_EQ(s.low, 7);
  EXPECT_EQ(s.high, 1);
  EXPECT_EQ(JoinCount32(s.high, s.low), 65543u);
}

TEST(HmEncoders, TextFieldFromUtf8IsCutToTheField) {
  TextField<kTagChars> tag{};
  FieldFromUtf8<kTagChars>(tag, "Temperatura°");
  EXPECT_EQ(std::string(tag.data()), "Temperat");
  FieldFromUtf8<kTagChars>(tag, "°C");
  EXPECT_EQ(std::string(tag.data()), "\xB0" "C");
  EXPECT_EQ(FieldToUtf8<kTagChars>(tag), "°C");
}

TEST(HmSerialNumber, RegistersPrintedAsFourDigitsAndJoined) {
  EXPECT_EQ(DecodeSerialNumber(12, 345), 120345u);
  EXPECT_EQ(DecodeSerialNumber(9999, 9999), 99999999u);
  EXPECT_EQ(DecodeSerialNumber(0, 7), 7u);
  // A register above 9999 prints five digits and shifts its neighbour.
  EXPECT_EQ(DecodeSerialNumber(1, 12345), 112345u);
}

struct FixedCase {
  std::int32_t value;
  int decimals;
  const char* text;
};

TEST(HmFormatFixed, AsTabled) {
  const FixedCase cases[] = {
      {-5, 1, "-0.5"},   {-1234, 2, "-12.34"}, {7, 3, "0.007"},  {0, 2, "0.00"},
      {1234, 0, "1234"}, {-1234, 0, "-1234"},  {-10, 1, "-1.0"}, {-999, 3, "-0.999"},
      {-1000, 3, "-1.000"}, {9999, 1, "999.9"}, {5300, 1, "530.0"}, {-32768, 3, "-32.768"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.value, c.decimals), c.text) << c.value << "/" << c.decimals;
}

TEST(HmReadFixed, AsTheChannelPageReadsNumbers) {
  struct Case {
    const char* text;
    int decimals;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {"12,345", 1, 123},  {"-3.5", 2, -350}, {"40", 1, 400},       {"7", 1, 70},
      {"-0.5", 1, -5},     {"1,2.5", 1, 12},  {"0.007", 3, 7},      {"", 2, 0},
      {"-", 1, 0},         {"12,7", 0, 12},   {"3.", 2, 300},       {"12a", 1, std::nullopt},
      {"1.2x", 2, std::nullopt}, {"- 1", 0, std::nullopt}, {"99999999999", 0, std::nullopt},
      {"-,5", 1, -5},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadFixed(c.text, c.decimals), c.value) << c.text << "/" << c.decimals;
}

TEST(HmReadFixed, ChannelEncodingDecidesTheDecimals) {
  EXPECT_EQ(ReadChannelNumber("25.3", 8, 0), 253);
  EXPECT_EQ(ReadChannelNumber("25.3", 17, 3), 253);
  EXPECT_EQ(ReadChannelNumber("2.53", 18, 2), 253);
  EXPECT_EQ(ReadChannelNumber("253", 0, 2), 253);
  EXPECT_EQ(ReadChannelNumber("25.3", 0, 0), std::nullopt);  // temperatures are plain integers
  EXPECT_EQ(FormatChannelNumber(253, 8, 0), "25.3");
  EXPECT_EQ(FormatChannelNumber(253, 19, 2), "2.53");
  EXPECT_EQ(FormatChannelNumber(253, 1, 2), "253");
}

TEST(HmInputTypes, TablesAsTabled) {
  EXPECT_EQ(InputTypeTextTrimmed(8, false), "Pt100   (-200.0°C a 530.0°C)");
  EXPECT_EQ(InputTypeTextTrimmed(17, false), "4-20mA Lin. Pt100  (-200.0°C a 530.0°C)");
  EXPECT_EQ(InputTypeTextTrimmed(17, true), "4-20mA Lin. Pt100 (-328.0°F a 986.0°F)");
  EXPECT_EQ(InputTypeTextTrimmed(19, true), "Linear 0-50mV   (-1999 a 9999)");
  EXPECT_EQ(RangeOf(8, false).low, -1999);
  EXPECT_EQ(RangeOf(17, false).low, -2000);
  EXPECT_EQ(RangeOf(8, true).low, -3262);
  EXPECT_EQ(RangeOf(17, true).low, -3280);
  EXPECT_EQ(RangeOf(7, true).high, 3308);
  EXPECT_EQ(RangeOf(20, false).high, 0);
  EXPECT_EQ(EncodingOf(17), ValueEncoding::TenthsOfDegree);
  EXPECT_EQ(EncodingOf(18), ValueEncoding::LinearCounts);
  EXPECT_EQ(EncodingOf(16), ValueEncoding::WholeDegrees);
}

TEST(HmInputTypes, ListTextsArePaddedTo39CharactersAndSlotted) {
  for (int slot = 0; slot < 44; ++slot) {
    const std::string s = InputTypeSlotText(slot);
    if (slot == 20 || slot == 21 || slot == 42 || slot == 43) {
      EXPECT_EQ(s, "Reserva");
      continue;
    }
    std::size_t chars = 0;
    for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
    EXPECT_EQ(chars, 39u) << slot << " " << s;
    EXPECT_EQ(s.rfind(InputTypeTextTrimmed(slot < 20 ? slot : slot - 22, slot >= 22), 0), 0u);
  }
  EXPECT_EQ(InputTypeSlotText(44), "");
}

TEST(HmStatusTexts, BitsToTexts) {
  EXPECT_EQ(InstrumentStatusTexts(0x0011),
            (std::vector<std::string>{"Relógio não localizado",
                                      "Todas as aquisições programadas já foram efetuadas"}));
  EXPECT_EQ(InstrumentStatusText(8), "Reserva");
  EXPECT_EQ(InstrumentStatusText(12), "Reserva");
  EXPECT_EQ(ChannelStatusTexts(0xF0), (std::vector<std::string>{"Resistência do cabo PT100 muito alta"}));
  EXPECT_EQ(AlarmStateText(0x0009, 0), "Lo");
  EXPECT_EQ(AlarmStateText(0x0009, 1), "Hi");
  EXPECT_EQ(AlarmStateText(0x0009, 2), "");
}

TEST(HmBaud, CodesBothWays) {
  EXPECT_EQ(BaudOfCode(4), 19200u);
  EXPECT_EQ(BaudOfCode(0), 1200u);
  EXPECT_EQ(BaudOfCode(5), std::nullopt);
  EXPECT_EQ(CodeOfBaud(9600), 3);
  EXPECT_EQ(CodeOfBaud(38400), std::nullopt);
}

}  // namespace
}  // namespace qg::harrowmeter
