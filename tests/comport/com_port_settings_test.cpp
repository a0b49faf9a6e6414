// The settings model: defaults, the records they derive, and which change applies what.
#include "fake_port_fixture.h"

#include "comport/com_error.h"
#include "comport/port_records.h"

#include <functional>

namespace kestrova {
namespace {

using enum DeviceCall;

TEST(ComPortDefaultsTest, NewPortSettings) {
  TComPort port;
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.BaudRate(), TBaudRate::br9600);
  EXPECT_EQ(port.CustomBaudRate(), 9600);
  EXPECT_EQ(port.Port(), "COM1");
  EXPECT_EQ(port.StopBits(), TStopBits::sbOneStopBit);
  EXPECT_EQ(port.DataBits(), TDataBits::dbEight);
  EXPECT_FALSE(port.DiscardNull());
  EXPECT_EQ(port.EventChar(), '\0');
  EXPECT_EQ(port.Events(), kAllComEvents);
  EXPECT_EQ(port.SyncMethod(), TSyncMethod::smThreadSync);
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prNone);
  EXPECT_FALSE(port.Parity().Check());
  EXPECT_FALSE(port.Parity().Replace());
  EXPECT_EQ(port.Parity().ReplaceChar(), '\0');
  const TComFlowControl& flow = port.FlowControl();
  EXPECT_EQ(flow.FlowControl(), TFlowControl::fcNone);
  EXPECT_FALSE(flow.OutCTSFlow() || flow.OutDSRFlow() || flow.XonXoffIn() || flow.XonXoffOut() ||
               flow.DSRSensitivity() || flow.TxContinueOnXoff());
  EXPECT_EQ(flow.ControlDTR(), TDTRFlowControl::dtrDisable);
  EXPECT_EQ(flow.ControlRTS(), TRTSFlowControl::rtsDisable);
  EXPECT_EQ(flow.XonChar(), '\x11');
  EXPECT_EQ(flow.XoffChar(), '\x13');
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  EXPECT_EQ(port.Buffer().OutputSize(), 1024);
  const TComTimeouts& t = port.Timeouts();
  EXPECT_EQ(t.ReadInterval(), -1);
  EXPECT_EQ(t.ReadTotalMultiplier(), 0);
  EXPECT_EQ(t.ReadTotalConstant(), 0);
  EXPECT_EQ(t.WriteTotalMultiplier(), 100);
  EXPECT_EQ(t.WriteTotalConstant(), 1000);
  EXPECT_EQ(port.Device(), nullptr);
}

TEST_F(FakePortTest, OpenAppliesQueueSizesLineAndTimeoutsInOrder) {
  port.SetConnected(true);
  EXPECT_EQ(script.Calls(), OpenCalls());
  EXPECT_EQ(script.Records()[0].path, "/dev/ttyS0");
  EXPECT_EQ(script.Records()[1].queues, (QueueSizes{1024, 1024}));
  EXPECT_EQ(script.Records()[2].state, NewPortBlock());
  EXPECT_EQ(script.Records()[3].timeouts, (CommTimeouts{kMaxDword, 0, 0, 100, 1000}));
}

TEST_F(FakePortTest, ControlBlockFollowsTheSettings) {
  struct Case {
    const char* name;
    std::function<void(TComPort&)> set;
    std::function<void(DeviceControlBlock&)> expect;
  } cases[] = {
      {"custom rate 31250",
       [](auto& p) { p.SetBaudRate(TBaudRate::brCustom); p.SetCustomBaudRate(31250); },
       [](auto& d) { d.BaudRate = 31250; }},
      {"custom rate ignored for a table rate",
       [](auto& p) { p.SetCustomBaudRate(31250); p.SetBaudRate(TBaudRate::br256000); },
       [](auto& d) { d.BaudRate = 256000; }},
      {"Replace without Check", [](auto& p) { p.Parity().SetReplace(true); p.Parity().SetReplaceChar('?'); },
       [](auto&) {}},
      {"Replace with Check",
       [](auto& p) { p.Parity().SetCheck(true); p.Parity().SetReplace(true); p.Parity().SetReplaceChar('?'); },
       [](auto& d) { d.fParity = 1; d.fErrorChar = 1; d.ErrorChar = '?'; }},
      {"input 262144 wraps XonLim", [](auto& p) { p.Buffer().SetInputSize(262144); },
       [](auto& d) { d.XonLim = d.XoffLim = 0; }},
      {"input 262148", [](auto& p) { p.Buffer().SetInputSize(262148); }, [](auto& d) { d.XonLim = d.XoffLim = 1; }},
      {"input 4000", [](auto& p) { p.Buffer().SetInputSize(4000); }, [](auto& d) { d.XonLim = d.XoffLim = 1000; }},
      {"fcHardware", [](auto& p) { p.FlowControl().SetFlowControl(TFlowControl::fcHardware); },
       [](auto& d) { d.fRtsControl = 2; d.fOutxCtsFlow = 1; }},
      {"fcSoftware", [](auto& p) { p.FlowControl().SetFlowControl(TFlowControl::fcSoftware); },
       [](auto& d) { d.fOutX = 1; d.fInX = 1; }},
      {"5 data bits, space, two stop bits",
       [](auto& p) {
         p.SetDataBits(TDataBits::dbFive);
         p.Parity().SetBits(TParityBits::prSpace);
         p.SetStopBits(TStopBits::sbTwoStopBits);
       },
       [](auto& d) { d.ByteSize = 5; d.Parity = 4; d.StopBits = 2; }},
      {"7 data bits, odd, 1.5 stop bits",
       [](auto& p) {
         p.SetDataBits(TDataBits::dbSeven);
         p.Parity().SetBits(TParityBits::prOdd);
         p.SetStopBits(TStopBits::sbOne5StopBits);
       },
       [](auto& d) { d.ByteSize = 7; d.Parity = 1; d.StopBits = 1; }},
      {"the other flow fields and characters",
       [](auto& p) {
         TComFlowControl& f = p.FlowControl();
         f.SetOutDSRFlow(true);
         f.SetControlDTR(TDTRFlowControl::dtrHandshake);
         f.SetControlRTS(TRTSFlowControl::rtsToggle);
         f.SetDSRSensitivity(true);
         f.SetTxContinueOnXoff(true);
         f.SetXonChar('A');
         f.SetXoffChar('B');
         p.SetDiscardNull(true);
         p.SetEventChar('\n');
       },
       [](auto& d) {
         d.fOutxDsrFlow = 1;
         d.fDtrControl = 2;
         d.fRtsControl = 3;
         d.fDsrSensitivity = 1;
         d.fTXContinueOnXoff = 1;
         d.XonChar = 'A';
         d.XoffChar = 'B';
         d.fNull = 1;
         d.EvtChar = '\n';
       }},
      {"ReplaceChar above 127", [](auto& p) {
         p.Parity().SetCheck(true);
         p.Parity().SetReplace(true);
         p.Parity().SetReplaceChar('\xE9');
       },
       [](auto& d) { d.fParity = 1; d.fErrorChar = 1; d.ErrorChar = 0xE9; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDeviceScript fresh;
    TComPort p;
    p.SetDeviceFactory(fresh.Factory());
    p.SetEvents({});
    c.set(p);
    EXPECT_TRUE(fresh.Records().empty()) << "a closed port touches no device";
    p.SetConnected(true);
    DeviceControlBlock expected = NewPortBlock();
    c.expect(expected);
    ASSERT_EQ(fresh.Calls(), OpenCalls());
    EXPECT_EQ(fresh.Records()[2].state, expected);
  }
}

TEST_F(FakePortTest, EachSettingAppliesItsRecordOnceAndEqualValuesNothing) {
  port.SetConnected(true);
  TComParity parity;
  parity.SetBits(TParityBits::prEven);
  TComFlowControl flow;
  flow.SetXonXoffIn(true);
  TComTimeouts timeouts;
  timeouts.SetReadTotalConstant(50);
  TComBuffer buffer;
  buffer.SetOutputSize(4096);
  struct Case {
    const char* name;
    std::function<void()> set;
    std::vector<DeviceCall> calls;
  } cases[] = {
      {"BaudRate", [&] { port.SetBaudRate(TBaudRate::br19200); }, {SetState}},
      {"BaudRate again", [&] { port.SetBaudRate(TBaudRate::br19200); }, {}},
      {"CustomBaudRate", [&] { port.SetCustomBaudRate(300); }, {SetState}},
      {"StopBits", [&] { port.SetStopBits(TStopBits::sbTwoStopBits); }, {SetState}},
      {"DataBits", [&] { port.SetDataBits(TDataBits::dbSeven); }, {SetState}},
      {"DiscardNull", [&] { port.SetDiscardNull(true); }, {SetState}},
      {"EventChar", [&] { port.SetEventChar('x'); }, {SetState}},
      {"EventChar again", [&] { port.SetEventChar('x'); }, {}},
      {"Events", [&] { port.SetEvents({TComEvent::evRxChar}); }, {}},
      {"Parity field", [&] { port.Parity().SetCheck(true); }, {SetState}},
      {"Parity field again", [&] { port.Parity().SetCheck(true); }, {}},
      {"Parity group", [&] { port.SetParity(parity); }, {SetState}},
      {"FlowControl field", [&] { port.FlowControl().SetXoffChar('S'); }, {SetState}},
      {"FlowControl group", [&] { port.SetFlowControl(flow); }, {SetState}},
      {"fcCustom keeps the fields and applies once",
       [&] { port.FlowControl().SetFlowControl(TFlowControl::fcCustom); }, {SetState}},
      {"Timeouts field", [&] { port.Timeouts().SetWriteTotalConstant(5); }, {SetTimeouts}},
      {"Timeouts field again", [&] { port.Timeouts().SetWriteTotalConstant(5); }, {}},
      {"Timeouts group", [&] { port.SetTimeouts(timeouts); }, {SetTimeouts}},
      {"Buffer field", [&] { port.Buffer().SetInputSize(2048); }, {SetupQueues}},
      {"Buffer group", [&] { port.SetBuffer(buffer); }, {SetupQueues}},
      {"Copying into a group applies nothing", [&] { port.Parity().Assign(parity); }, {}},
      {"SyncMethod", [&] { port.SetSyncMethod(TSyncMethod::smThreadSync); }, {}},
  };
  for (const Case& c : cases) {
    script.ClearRecords();
    c.set();
    EXPECT_EQ(script.Calls(), c.calls) << c.name;
  }
  // The groups arrived whole: parity even from the copy, Xon/Xoff in, the copied timeouts.
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prEven);
  EXPECT_FALSE(port.Parity().Check());
  EXPECT_TRUE(port.FlowControl().XonXoffIn());
  EXPECT_EQ(port.FlowControl().XoffChar(), '\x13');
  EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 50);
  EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  EXPECT_EQ(port.Buffer().OutputSize(), 4096);
}

TEST_F(FakePortTest, BufferSizesAreStoredEven) {
  port.SetConnected(true);
  struct Case {
    std::int32_t written, stored;
    bool applied;
  } cases[] = {
      {1025, 1024, true},  // compared before rounding: differs from 1024
      {1025, 1024, true},  // and again
      {1024, 1024, false}, {3, 2, true}, {1, 0, true}, {-3, -3, true}, {0, 0, true},
  };
  for (const Case& c : cases) {
    script.ClearRecords();
    port.Buffer().SetInputSize(c.written);
    EXPECT_EQ(port.Buffer().InputSize(), c.stored) << c.written;
    auto queues = RecordsOf(SetupQueues);
    ASSERT_EQ(queues.size(), c.applied ? 1u : 0u) << c.written;
    if (c.applied) {
      EXPECT_EQ(queues[0].queues.InputSize, static_cast<std::uint32_t>(c.stored));
    }
  }
  TComBuffer free;
  free.SetOutputSize(77);
  EXPECT_EQ(free.OutputSize(), 76);
}

TEST(ComFlowControlTest, DerivedFlowControlReadsFourFields) {
  using enum TRTSFlowControl;
  struct Case {
    TRTSFlowControl rts;
    bool cts, xin, xout;
    TFlowControl result;
  } cases[] = {
      {rtsHandshake, true, false, false, TFlowControl::fcHardware},
      {rtsDisable, false, true, true, TFlowControl::fcSoftware},
      {rtsDisable, false, false, false, TFlowControl::fcNone},
      {rtsEnable, false, false, false, TFlowControl::fcCustom},
      {rtsHandshake, false, false, false, TFlowControl::fcCustom},
      {rtsHandshake, true, true, true, TFlowControl::fcCustom},
      {rtsDisable, false, true, false, TFlowControl::fcCustom},
      {rtsDisable, true, false, false, TFlowControl::fcCustom},
  };
  for (const Case& c : cases) {
    TComFlowControl f;
    f.SetControlRTS(c.rts);
    f.SetOutCTSFlow(c.cts);
    f.SetXonXoffIn(c.xin);
    f.SetXonXoffOut(c.xout);
    // The fields outside the four do not take part.
    f.SetOutDSRFlow(true);
    f.SetControlDTR(TDTRFlowControl::dtrHandshake);
    EXPECT_EQ(f.FlowControl(), c.result) << int(c.rts) << c.cts << c.xin << c.xout;
  }
}

TEST(ComFlowControlTest, WritingTheDerivedValueResetsTheFourFieldsFirst) {
  TComFlowControl f;
  f.SetControlRTS(TRTSFlowControl::rtsEnable);
  f.SetXonXoffIn(true);
  f.SetOutDSRFlow(true);
  f.SetFlowControl(TFlowControl::fcCustom);
  EXPECT_EQ(f.ControlRTS(), TRTSFlowControl::rtsEnable);
  EXPECT_TRUE(f.XonXoffIn());
  f.SetFlowControl(TFlowControl::fcHardware);
  EXPECT_EQ(f.ControlRTS(), TRTSFlowControl::rtsHandshake);
  EXPECT_TRUE(f.OutCTSFlow());
  EXPECT_FALSE(f.XonXoffIn());
  EXPECT_TRUE(f.OutDSRFlow());
  f.SetFlowControl(TFlowControl::fcSoftware);
  EXPECT_EQ(f.ControlRTS(), TRTSFlowControl::rtsDisable);
  EXPECT_FALSE(f.OutCTSFlow());
  EXPECT_TRUE(f.XonXoffIn() && f.XonXoffOut());
  f.SetFlowControl(TFlowControl::fcNone);
  EXPECT_EQ(f.FlowControl(), TFlowControl::fcNone);
  EXPECT_TRUE(f.OutDSRFlow());
}

TEST(ComSubObjectTest, CopyTakesEverySettingAndOtherClassesAreRefused) {
  TComTimeouts source;
  source.SetReadInterval(1);
  source.SetReadTotalMultiplier(2);
  source.SetReadTotalConstant(3);
  source.SetWriteTotalMultiplier(4);
  source.SetWriteTotalConstant(5);
  TComTimeouts copy;
  copy.Assign(source);
  EXPECT_EQ(MakeCommTimeouts(copy), (CommTimeouts{1, 2, 3, 4, 5}));

  TComFlowControl flow;
  flow.SetOutCTSFlow(true);
  flow.SetOutDSRFlow(true);
  flow.SetControlDTR(TDTRFlowControl::dtrEnable);
  flow.SetControlRTS(TRTSFlowControl::rtsToggle);
  flow.SetXonXoffOut(true);
  flow.SetXonXoffIn(true);
  flow.SetDSRSensitivity(true);
  flow.SetTxContinueOnXoff(true);
  flow.SetXonChar('a');
  flow.SetXoffChar('b');
  TComPort port;
  port.FlowControl().Assign(flow);
  TComParity parity;
  parity.SetBits(TParityBits::prMark);
  parity.SetCheck(true);
  parity.SetReplace(true);
  parity.SetReplaceChar('#');
  port.Parity().Assign(parity);
  DeviceControlBlock dcb = MakeDeviceControlBlock(port);
  EXPECT_EQ(dcb.fOutxCtsFlow + dcb.fOutxDsrFlow + dcb.fOutX + dcb.fInX + dcb.fDsrSensitivity + dcb.fTXContinueOnXoff, 6);
  EXPECT_EQ(dcb.fDtrControl, 1);
  EXPECT_EQ(dcb.fRtsControl, 3);
  EXPECT_EQ(dcb.XonChar, 'a');
  EXPECT_EQ(dcb.XoffChar, 'b');
  EXPECT_EQ(dcb.Parity, 3);
  EXPECT_EQ(dcb.ErrorChar, '#');

  TComBuffer buffer;
  buffer.SetInputSize(10);
  buffer.SetOutputSize(20);
  port.Buffer().Assign(buffer);
  EXPECT_EQ(MakeQueueSizes(port.Buffer()), (QueueSizes{10, 20}));

  EXPECT_THROW(copy.Assign(buffer), EAssignError);
  EXPECT_THROW(port.Parity().Assign(flow), EAssignError);
  EXPECT_EQ(copy.ReadInterval(), 1) << "a refused copy changes nothing";
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prMark);
}

}  // namespace
}  // namespace kestrova
