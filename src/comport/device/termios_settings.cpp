#include "comport/device/termios_settings.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

namespace kestrova {

void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                      IXOFF | IXANY | IGNPAR | INPCK);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD | CLOCAL;
  // VMIN 1 with a non-blocking descriptor: an empty read is EAGAIN, so read() == 0 can only
  // mean the device has gone.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

int SetDataBits(termios& t, std::uint8_t byteSize) {
  tcflag_t size;
  switch (byteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return EINVAL;
  }
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | size;
  return 0;
}

int SetParity(termios& t, std::uint8_t parity, bool check) {
  tcflag_t bits;
  switch (parity) {
    case kNoParity: bits = 0; break;
    case kOddParity: bits = PARENB | PARODD; break;
    case kEvenParity: bits = PARENB; break;
    // With CMSPAR the parity bit is fixed: PARODD selects mark (1), its absence space (0).
    case kMarkParity: bits = PARENB | CMSPAR | PARODD; break;
    case kSpaceParity: bits = PARENB | CMSPAR; break;
    default: return EINVAL;
  }
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR)) | bits;
  if (check) {
    t.c_iflag |= INPCK;
  } else {
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
  }
  return 0;
}

int SetStopBits(termios& t, std::uint8_t stopBits, std::uint8_t byteSize) {
  switch (stopBits) {
    case kOneStopBit: t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB); return 0;
    case kOne5StopBits:
    case kTwoStopBits:
      if ((stopBits == kOne5StopBits) != (byteSize == 5)) return EINVAL;
      t.c_cflag |= CSTOPB;
      return 0;
    default: return EINVAL;
  }
}

void SetFlowControl(termios& t, const DeviceControlBlock& dcb) {
  if (dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == kRtsControlHandshake) {
    t.c_cflag |= CRTSCTS;
  } else {
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  }
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (dcb.fOutX != 0) t.c_iflag |= IXON;
  if (dcb.fInX != 0) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

std::optional<speed_t> StandardSpeed(std::uint32_t rate) {
  static constexpr std::pair<std::uint32_t, speed_t> kSpeeds[] = {
      {50, B50},           {75, B75},           {110, B110},         {134, B134},
      {150, B150},         {200, B200},         {300, B300},         {600, B600},
      {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
      {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
      {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  };
  for (const auto& [value, speed] : kSpeeds) {
    if (value == rate) return speed;
  }
  return std::nullopt;
}

int ApplyDeviceControlBlock(termios& t, const DeviceControlBlock& dcb) {
  if (dcb.BaudRate == 0) return EINVAL;
  termios edited = t;
  MakeRaw(edited);
  if (int err = SetDataBits(edited, dcb.ByteSize)) return err;
  if (int err = SetParity(edited, dcb.Parity, dcb.fParity != 0)) return err;
  if (int err = SetStopBits(edited, dcb.StopBits, dcb.ByteSize)) return err;
  SetFlowControl(edited, dcb);
  if (auto speed = StandardSpeed(dcb.BaudRate)) {
    // A custom rate leaves its own input speed in CIBAUD, which cfsetispeed does not clear;
    // CIBAUD 0 tells the kernel that input runs at the output speed.
    edited.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
    cfsetispeed(&edited, *speed);
    cfsetospeed(&edited, *speed);
  }
  t = edited;
  return 0;
}

bool SameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         a.c_line == b.c_line && std::equal(std::begin(a.c_cc), std::end(a.c_cc), std::begin(b.c_cc)) &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

ModemControl ModemControlLines(const DeviceControlBlock& dcb) {
  ModemControl lines;
  if (dcb.fDtrControl == kDtrControlDisable) {
    lines.clear |= TIOCM_DTR;
  } else {
    // Enable, and handshake, which has no Linux counterpart: DTR says "ready".
    lines.set |= TIOCM_DTR;
  }
  if (dcb.fRtsControl == kRtsControlEnable) {
    lines.set |= TIOCM_RTS;
  } else if (dcb.fRtsControl == kRtsControlDisable) {
    lines.clear |= TIOCM_RTS;
  }
  return lines;
}

}  // namespace kestrova
