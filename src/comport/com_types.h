// Enumerations, sets and handler types shared by every part of the serial port component
// and by the setup dialog. The ordinal of each member is its position; the settings text
// tables and the device records are indexed by it, so the order must never change.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrova {

enum class TBaudRate : std::uint8_t {
  brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
  br38400, br56000, br57600, br115200, br128000, br256000
};
enum class TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum class TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum class TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum class TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum class TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum class TComEvent : std::uint8_t {
  evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
enum class TComError : std::uint8_t {
  ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull
};
enum class TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };

// A set of enumeration members in which member n is bit n of Storage.
template <typename Enum, typename Storage>
class EnumSet final {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<Enum> members) {
    for (Enum m : members) Include(m);
  }
  static constexpr EnumSet FromBits(Storage bits) {
    EnumSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr Storage Bits() const { return bits_; }
  constexpr bool Contains(Enum m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr void Include(Enum m) { bits_ = static_cast<Storage>(bits_ | Bit(m)); }
  constexpr void Exclude(Enum m) { bits_ = static_cast<Storage>(bits_ & ~Bit(m)); }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr Storage Bit(Enum m) { return static_cast<Storage>(Storage{1} << static_cast<int>(m)); }
  Storage bits_ = 0;
};

using TComEvents = EnumSet<TComEvent, std::uint16_t>;
using TComErrors = EnumSet<TComError, std::uint8_t>;

inline constexpr TComEvents kAllComEvents = TComEvents::FromBits(0x03FF);

// The modem input lines a port reads; member n is bit n of the set.
enum class TModemLine : std::uint8_t { mlCTS, mlDSR, mlRing, mlRLSD };
using TModemLines = EnumSet<TModemLine, std::uint8_t>;

// The groups of settings that settings persistence writes and reads; member n is bit n.
enum class TSettingGroup : std::uint8_t { sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgMisc };
using TSettingGroups = EnumSet<TSettingGroup, std::uint8_t>;

class TCustomComPort;

// Handler properties: empty or bound to a callable; every handler receives the firing port.
using TNotifyEvent = std::function<void(TCustomComPort* Sender)>;
using TRxCharEvent = std::function<void(TCustomComPort* Sender, std::int32_t Count)>;
using TRxBufEvent = std::function<void(TCustomComPort* Sender, const void* Buffer, std::int32_t Count)>;
using TComErrorEvent = std::function<void(TCustomComPort* Sender, TComErrors Errors)>;
using TComSignalEvent = std::function<void(TCustomComPort* Sender, bool OnOff)>;

}  // namespace kestrova
