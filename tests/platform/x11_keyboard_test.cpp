// The X protocol pieces of the Print Screen key that need no server: finding
// the key in a keyboard mapping, reading a keymap, telling key events apart.
#include <gtest/gtest.h>

#include <xcb/xinput.h>

#include <array>
#include <cstring>

#include "platform/x11_keyboard.h"

namespace vitrix {
namespace {

constexpr xcb_keysym_t kSysReq = 0xFF15;
constexpr xcb_keysym_t kLetterA = 0x61;

TEST(KeycodesInMapping, FindsTheKeysymInAnyColumnOfEachKeycode) {
  // Keycodes 8, 9, 10, 11 with three columns each.
  const std::array<xcb_keysym_t, 12> mapping = {
      kLetterA,
      0,
      0,  // 8
      kPrintKeysym,
      kSysReq,
      kPrintKeysym,  // 9: twice in one row, listed once
      0,
      0,
      0,  // 10
      kSysReq,
      kPrintKeysym,
      0,  // 11: only shifted
  };
  EXPECT_EQ(KeycodesInMapping(8, 3, mapping, kPrintKeysym), (std::vector<xcb_keycode_t>{9, 11}));
  EXPECT_EQ(KeycodesInMapping(8, 3, mapping, kLetterA), (std::vector<xcb_keycode_t>{8}));
  EXPECT_TRUE(KeycodesInMapping(8, 3, mapping, 0xFFFF).empty());
}

TEST(KeycodesInMapping, ShortOrEmptyMappingsAndKeycodesPast255AreSafe) {
  const std::array<xcb_keysym_t, 5> mapping = {0, 0, 0, 0, kPrintKeysym};  // the last row is incomplete
  EXPECT_TRUE(KeycodesInMapping(8, 2, mapping, kPrintKeysym).empty());
  EXPECT_TRUE(KeycodesInMapping(8, 0, mapping, kPrintKeysym).empty());
  const std::array<xcb_keysym_t, 2> last = {0, kPrintKeysym};
  EXPECT_EQ(KeycodesInMapping(254, 1, last, kPrintKeysym), (std::vector<xcb_keycode_t>{255}));
}

TEST(AnyKeyDownIn, ReadsOneBitPerKeycodeLowBitFirst) {
  std::array<uint8_t, 32> keymap{};
  keymap[107 >> 3] = 1u << (107 & 7);  // keycode 107 only
  const std::array<xcb_keycode_t, 1> print = {107};
  const std::array<xcb_keycode_t, 2> neighbours = {106, 108};
  EXPECT_TRUE(AnyKeyDownIn(keymap, print));
  EXPECT_FALSE(AnyKeyDownIn(keymap, neighbours));
  EXPECT_FALSE(AnyKeyDownIn(keymap, std::span<const xcb_keycode_t>()));
  keymap[31] = 0x80;  // keycode 255
  const std::array<xcb_keycode_t, 2> with_last = {9, 255};
  EXPECT_TRUE(AnyKeyDownIn(keymap, with_last));
}

constexpr xcb_window_t kRoot = 0x123;
constexpr uint8_t kXInputOpcode = 131;

xcb_key_press_event_t CoreKey(uint8_t type, xcb_window_t window, xcb_keycode_t keycode, xcb_timestamp_t time) {
  xcb_key_press_event_t event{};
  event.response_type = type;
  event.event = window;
  event.root = kRoot;
  event.detail = keycode;
  event.time = time;
  return event;
}

xcb_input_raw_key_press_event_t RawKey(uint16_t type, uint32_t keycode, xcb_timestamp_t time) {
  xcb_input_raw_key_press_event_t event{};
  event.response_type = XCB_GE_GENERIC;
  event.extension = kXInputOpcode;
  event.event_type = type;
  event.detail = keycode;
  event.time = time;
  return event;
}

const xcb_generic_event_t* Generic(const void* event) { return static_cast<const xcb_generic_event_t*>(event); }

TEST(DecodeKeyEvent, CoreKeyEventsCountOnlyOnTheRootWindow) {
  const auto press = CoreKey(XCB_KEY_PRESS, kRoot, 107, 5000);
  const auto decoded = DecodeKeyEvent(Generic(&press), kRoot, kXInputOpcode);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->Keycode, 107);
  EXPECT_TRUE(decoded->Pressed);
  EXPECT_EQ(decoded->Time, 5000u);
  EXPECT_FALSE(decoded->Raw);

  // A sent event carries the high bit of its type.
  const auto release = CoreKey(XCB_KEY_RELEASE | 0x80, kRoot, 107, 5100);
  ASSERT_TRUE(DecodeKeyEvent(Generic(&release), kRoot, 0).has_value());
  EXPECT_FALSE(DecodeKeyEvent(Generic(&release), kRoot, 0)->Pressed);

  const auto on_a_window = CoreKey(XCB_KEY_PRESS, 0x456, 107, 5000);
  EXPECT_FALSE(DecodeKeyEvent(Generic(&on_a_window), kRoot, kXInputOpcode).has_value());
}

TEST(DecodeKeyEvent, RawKeyEventsOfTheXInputExtensionOnly) {
  const auto press = RawKey(XCB_INPUT_RAW_KEY_PRESS, 107, 7000);
  const auto decoded = DecodeKeyEvent(Generic(&press), kRoot, kXInputOpcode);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->Keycode, 107);
  EXPECT_TRUE(decoded->Pressed);
  EXPECT_EQ(decoded->Time, 7000u);
  EXPECT_TRUE(decoded->Raw);

  const auto release = RawKey(XCB_INPUT_RAW_KEY_RELEASE, 107, 7100);
  ASSERT_TRUE(DecodeKeyEvent(Generic(&release), kRoot, kXInputOpcode).has_value());
  EXPECT_FALSE(DecodeKeyEvent(Generic(&release), kRoot, kXInputOpcode)->Pressed);

  EXPECT_FALSE(DecodeKeyEvent(Generic(&press), kRoot, 0).has_value()) << "raw events not asked for";
  EXPECT_FALSE(DecodeKeyEvent(Generic(&press), kRoot, kXInputOpcode + 1).has_value()) << "another extension";
  const auto motion = RawKey(XCB_INPUT_RAW_MOTION, 107, 7000);
  EXPECT_FALSE(DecodeKeyEvent(Generic(&motion), kRoot, kXInputOpcode).has_value());
  const auto wide = RawKey(XCB_INPUT_RAW_KEY_PRESS, 300, 7000);
  EXPECT_FALSE(DecodeKeyEvent(Generic(&wide), kRoot, kXInputOpcode).has_value());
}

TEST(DecodeKeyEvent, OtherEventsAreNoKeyEvents) {
  xcb_button_press_event_t button{};
  button.response_type = XCB_BUTTON_PRESS;
  button.event = kRoot;
  EXPECT_FALSE(DecodeKeyEvent(Generic(&button), kRoot, kXInputOpcode).has_value());
}

}  // namespace
}  // namespace vitrix
