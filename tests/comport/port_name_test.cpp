#include "comport/port_name.h"
#include "comport/port_records.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(NormalizePortNameTest, EveryTextBecomesComOneToSixteen) {
  struct Case {
    const char* text;
    const char* name;
  } cases[] = {
      {"COM1", "COM1"},   {"com3", "COM3"},    {"COM03", "COM3"},   {"cOm16", "COM16"},  {"7", "COM7"},
      {"COM 5", "COM5"},  {"  12", "COM12"},   {"+2", "COM2"},      {"COM$A", "COM10"},  {"COMx10", "COM16"},
      {"0x0F", "COM15"},  {"COM0X3", "COM3"},  {"COM17", "COM1"},   {"COM0", "COM1"},    {"LPT1", "COM1"},
      {"", "COM1"},       {"COM", "COM1"},     {"CO", "COM1"},      {"COM-3", "COM1"},   {"COM2 ", "COM1"},
      {"COM2x", "COM1"},  {"COM$", "COM1"},    {"--2", "COM1"},     {"COMCOM2", "COM1"}, {"COM\t2", "COM1"},
      {"COM0000000000000000000004", "COM4"},
      // Beyond 32 bits the conversion fails instead of wrapping to a small number.
      {"COM4294967298", "COM1"}, {"COM$100000003", "COM1"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizePortName(c.text), c.name) << '"' << c.text << '"';
}

TEST(EventMaskTest, EventsMapToTheirBitsAndBack) {
  EXPECT_EQ(EventsToMask({}), 0u);
  EXPECT_EQ(EventsToMask(kAllComEvents), 0x05FFu);
  EXPECT_EQ(EventsToMask({TComEvent::evTxEmpty, TComEvent::evRx80Full}), EV_TXEMPTY | EV_RX80FULL);
  EXPECT_EQ(MaskToEvents(0x0200), TComEvents{});
  EXPECT_EQ(MaskToEvents(0xFFFFFFFF), kAllComEvents);
  EXPECT_EQ(MaskToEvents(EV_RING | EV_ERR | 0x8000), (TComEvents{TComEvent::evRing, TComEvent::evError}));
  for (int e = 0; e < 10; ++e) {
    TComEvents one{static_cast<TComEvent>(e)};
    EXPECT_EQ(MaskToEvents(EventsToMask(one)), one) << e;
  }
}

}  // namespace
}  // namespace kestrova
