// TCustomComPort: one serial port, its settings, and the opening and closing of its device.
#pragma once

#include "comport/com_buffer.h"
#include "comport/com_flow_control.h"
#include "comport/com_parity.h"
#include "comport/com_timeouts.h"
#include "comport/com_types.h"
#include "comport/device/com_device.h"
#include "comport/port_observer.h"
#include "comport/port_transfer.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kestrova {

class NotificationWindow;
class TComThread;
class TIniFile;
class TRegistry;

// The owner (the QObject parent) frees the port; a connected port is closed when destroyed.
// The port owns its four settings groups and its device; it does not own its observers.
// Everything here runs on the thread that owns the port. Failures raise EComPort (com_error.h):
// a failed open leaves the port closed; a setting that cannot be applied stays stored.
//
// A changed setting reaches an open device at once, unless the port is loading or inside a
// BeginSettingsChange / EndSettingsChange bracket, which applies everything once at its end.
//
// While the port is open with a non-empty Events set, its TComThread waits for device events
// and runs the processors (ProcessRxChar and the rest) as SyncMethod says; under smNone they,
// the handlers and the observers' slots run on the event thread. The event thread also calls
// InQueueCount, ReadLineErrors, ModemLines and ReceiveBuffer while the owner may be
// transferring; the device layer allows that. The close sequence ends the thread's wait (and
// awaits a delivery in progress, unless a handler of that delivery is the one closing) before
// it releases the device. A close whose step fails on a device that has gone still releases
// the device, so that the next open can use a new one.
class TCustomComPort : public QObject {
  Q_OBJECT

 public:
  explicit TCustomComPort(QObject* owner = nullptr);
  ~TCustomComPort() override;

  // --- settings persistence ---------------------------------------------------------------
  // Write or read the groups of StoredGroups: as values of the registry's current key, or as
  // keys of the INI section named after this port's objectName(). The caller opens and closes
  // the storage. Read values go through the setters, so a connected port applies each at once.
  // Nothing is caught: the first failure passes to the caller, with the earlier keys written
  // or applied.
  virtual void WriteSettingsToRegistry(TRegistry& Registry) const;
  virtual void WriteSettingsToIniFile(TIniFile& IniFile) const;
  virtual void ReadSettingsFromRegistry(TRegistry& Registry);
  virtual void ReadSettingsFromIniFile(TIniFile& IniFile);
  // Only sgBasic on a new port.
  TSettingGroups StoredGroups() const { return storedGroups_; }
  void SetStoredGroups(TSettingGroups value) { storedGroups_ = value; }

  // --- the setup dialog -------------------------------------------------------------------
  // Runs the modal setup dialog for this port and returns when it has closed. The dialog lives
  // in a library above this one, which installs itself here (SetSettingsDialogRunner); without
  // one installed this raises std::logic_error.
  void ShowSettingsDialog();
  using TSettingsDialogRunner = std::function<void(TCustomComPort& Port)>;
  // Process-wide; set once at start-up on the GUI thread.
  static void SetSettingsDialogRunner(TSettingsDialogRunner runner);

  // --- the connection -------------------------------------------------------------------
  bool Connected() const { return connected_; }
  // While loading only records the value; otherwise opens or closes when it differs.
  void SetConnected(bool value);
  // The open sequence: nothing when connected. Before-open, open the device, apply every
  // setting (on failure the device is closed again), start the event thread (and, for
  // smWindowSync, the notification window) when Events is not empty, after-open, then the
  // three input lines.
  void OpenPort();
  // The close sequence: nothing when closed. Before-close, the three input lines reported off,
  // pending transfers cancelled (code 5 stops the close here: the port stays open with its
  // thread), the event thread stopped and awaited, the device closed, after-close.
  void ClosePort();

  // --- settings ---------------------------------------------------------------------------
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  // The rate used while BaudRate is brCustom; passed to the device unchecked.
  std::int32_t CustomBaudRate() const { return customBaudRate_; }
  void SetCustomBaudRate(std::int32_t value);
  const std::string& Port() const { return port_; }
  // Normalised with NormalizePortName; a connected port moves to the new device.
  void SetPort(const std::string& value);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value);
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value);
  char EventChar() const { return eventChar_; }
  void SetEventChar(char value);
  // Takes effect at the next open.
  TComEvents Events() const { return events_; }
  void SetEvents(TComEvents value) { events_ = value; }
  TSyncMethod SyncMethod() const { return syncMethod_; }
  // Refused with EComPort code 14 while the port is connected (and not loading).
  void SetSyncMethod(TSyncMethod value);

  // The settings groups. Change single fields through the returned object; Set... copies a
  // whole group into the port's own and applies it once.
  TComParity& Parity() { return *parity_; }
  const TComParity& Parity() const { return *parity_; }
  void SetParity(const TComParity& value);
  TComFlowControl& FlowControl() { return *flowControl_; }
  const TComFlowControl& FlowControl() const { return *flowControl_; }
  void SetFlowControl(const TComFlowControl& value);
  TComTimeouts& Timeouts() { return *timeouts_; }
  const TComTimeouts& Timeouts() const { return *timeouts_; }
  void SetTimeouts(const TComTimeouts& value);
  TComBuffer& Buffer() { return *buffer_; }
  const TComBuffer& Buffer() const { return *buffer_; }
  void SetBuffer(const TComBuffer& value);

  // --- the settings change bracket --------------------------------------------------------
  void BeginSettingsChange() { ++settingsChangeDepth_; }
  // An unmatched end does nothing; the outermost end applies every setting.
  void EndSettingsChange();

  // --- loading stored settings ------------------------------------------------------------
  // Between BeginLoading and Loaded the owner sets the stored properties: Connected is only
  // recorded, nothing reaches the device. Loaded ends the state and opens the port if Connected
  // was recorded True; a failure of that open goes to the exception display (SetShowException)
  // and leaves the port closed.
  void BeginLoading() { loading_ = true; }
  void Loaded();
  bool Loading() const { return loading_; }
  // Where Loaded shows the failure of its open; by default it is written to Qt's warning log.
  void SetShowException(std::function<void(const std::exception&)> show) { showException_ = std::move(show); }

  // --- the device -------------------------------------------------------------------------
  // Makes the device object of each open; by default the POSIX device layer.
  void SetDeviceFactory(ComDeviceFactory factory) { deviceFactory_ = std::move(factory); }
  // The open device, or null while closed.
  ComDevice* Device() const { return device_.get(); }
  // The modem input lines; code 11 when the device cannot report them.
  TModemLines ModemLines() const;

  // --- data transfer (port_transfer.cpp); meant for a connected port, each operation fails
  // with its code on a closed one ---------------------------------------------------------
  // A new record with its completion event set; the caller disposes it.
  static void NewTransfer(TPortTransfer*& transfer);
  // Frees the record and nulls the pointer; a null pointer is left alone.
  static void DisposeTransfer(TPortTransfer*& transfer);
  // Starts writing text's bytes (text must stay unchanged until awaited); returns the count
  // written when the write ended at once, else 0. Code 2 when it cannot start; osTx on after.
  std::int32_t SendTextAsync(const std::string& text, TPortTransfer* transfer);
  // Writes text and returns when its bytes have left the output queue, or raises code 2 (the
  // write timeout of Timeouts has passed, the transfer was cancelled or the device has gone).
  std::int32_t SendText(const std::string& text);
  // Starts reading up to count bytes into buffer; returns the count read at once, else 0.
  // Code 3 when it cannot start.
  std::int32_t ReceiveBufferAsync(void* buffer, std::int32_t count, TPortTransfer* transfer);
  // Reads up to count bytes as Timeouts says; returns how many, or raises code 3.
  std::int32_t ReceiveBuffer(void* buffer, std::int32_t count);
  // Waits for the transfer to end and returns its count. Code 4 without a record; code 2 or 3
  // (by its kind) when it failed. After a read it signals osRx off when the input is empty.
  std::int32_t AwaitTransfer(TPortTransfer* transfer);
  // Aborts pending reads and writes (they fail when awaited); code 5 on failure.
  void CancelTransfers();
  // Bytes waiting in the input queue; code 10 on failure. Resets the device's error flags.
  std::int32_t InQueueCount();
  // The line errors since the last look (ceRxParity only while Parity.Check); code 10.
  TComErrors ReadLineErrors();

  // --- the event thread (com_thread.h, port_events.cpp) -----------------------------------
  bool EventThreadActive() const { return eventThreadActive_; }
  // The event thread while a wait runs (the thread itself is kept from open to open).
  TComThread* EventThread() const;
  // The hidden notification object of an open smWindowSync port with an event thread.
  QObject* NotifyWindow() const;
  // Runs the processor of each event present, in kEventDeliveryOrder; stops once a handler has
  // closed the port.
  void RunEventHandlers(TComEvents events);
  // True while a processor of this port runs on the calling thread (a handler's close must not
  // wait for the delivery it runs in).
  bool ProcessingOnThisThread() const;
  // The events whose processing would reach someone. The five that only notify (evTxEmpty,
  // evBreak, evRing, evRxFlag, evRx80Full) reach nobody when their handler is empty and, for
  // evTxEmpty and evRing, no observer is registered: those are left out. The others read the
  // device and always stay, and so does every event of a port whose notifications may be
  // overridden. Reads the handlers: only for the thread that assigns them.
  TComEvents EventsWithReceivers(TComEvents events) const;
  // The notification window's procedure: WM_PORTEVENT runs the processor of the event whose
  // mask bit is wParam (other values are ignored); every other message gets 0.
  std::intptr_t NotificationWindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  // --- observers --------------------------------------------------------------------------
  // Code 18 for a null observer, adding one twice or removing one that is not there. Any
  // thread may add or remove while the event thread delivers; once RemoveObserver has
  // returned, the observer is not called any more (unless removed from inside its own slot, on
  // the delivering thread, where the running slot finishes).
  void AddObserver(TPortObserver* observer);
  void RemoveObserver(TPortObserver* observer);
  // Calls the slot of signal in every observer, in list order (osRing has no slot here).
  void SignalObservers(TObserverSignal signal, bool state);

  // The three line processors: report the line's current state to the observers, then to the
  // port's handler (each from a fresh reading of the lines).
  void ProcessCTSChange();
  void ProcessDSRChange();
  void ProcessRLSDChange();
  // The other processors, one per event. ProcessRxChar: with observers that take data, the
  // waiting bytes are read once and go to OnRxBuf and those observers; otherwise OnRxChar gets
  // the count and the bytes stay queued.
  void ProcessRxChar();
  void ProcessTxEmpty();
  void ProcessBreak();
  void ProcessRing();
  void ProcessRxFlag();
  void ProcessError();
  void ProcessRx80Full();

  // --- handlers: plain stores, each empty or assigned; Sender is this port -----------------
  TNotifyEvent OnAfterOpen, OnAfterClose, OnBeforeOpen, OnBeforeClose;
  TRxCharEvent OnRxChar;
  TRxBufEvent OnRxBuf;
  TNotifyEvent OnTxEmpty, OnBreak, OnRing;
  TComSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
  TNotifyEvent OnRxFlag;
  TComErrorEvent OnError;
  TNotifyEvent OnRx80Full;

 protected:
  // Closes the port as a destructor must: nothing raised, the device released in any case. The
  // most derived class calls it from its own destructor, so that the event thread, which may be
  // delivering, is stopped while the object is still whole (its notifications are virtual).
  void CloseBeforeDestruction() noexcept;
  // Opens Device() at the mapped path of Port(); code 1 with the errno when it cannot.
  virtual void OpenDevice();
  // Closes and drops Device(); does nothing when there is none.
  virtual void CloseDevice();
  // Queue sizes, then line settings, then timeouts.
  virtual void ApplyAllSettings();
  // True when the Notify* operations are this class's own, which only call the handlers.
  virtual bool NotifiesHandlersOnly() const { return false; }

  // Each calls the handler of the same name when it is assigned.
  virtual void NotifyAfterClose();
  virtual void NotifyAfterOpen();
  virtual void NotifyBeforeClose();
  virtual void NotifyBeforeOpen();
  virtual void NotifyRxChar(std::int32_t count);
  virtual void NotifyRxBuf(const void* buffer, std::int32_t count);
  virtual void NotifyTxEmpty();
  virtual void NotifyBreak();
  virtual void NotifyRing();
  virtual void NotifyRxFlag();
  virtual void NotifyCTSChange(bool onOff);
  virtual void NotifyDSRChange(bool onOff);
  virtual void NotifyError(TComErrors errors);
  virtual void NotifyRLSDChange(bool onOff);
  virtual void NotifyRx80Full();

  // Each does nothing unless the port is connected, outside a bracket and not loading; then it
  // hands its record to the device: codes 7, 8 and 9 on failure.
  virtual void ApplyLineSettings();
  virtual void ApplyTimeoutSettings();
  virtual void ApplyQueueSizes();

 private:
  friend class TComParity;
  friend class TComFlowControl;
  friend class TComTimeouts;
  friend class TComBuffer;

  bool CanApply() const;
  template <typename T>
  void SetLineSetting(T& field, T value);
  // Open step 4 to close step 6 in reverse: stops the event thread, drops the notification
  // window, the device and the connected state.
  void ReleaseDevice();
  void StartEventThread();
  void StopEventThread();
  void ForEachObserver(const std::function<void(TPortObserver&)>& call);
  void ProcessLineChange(TObserverSignal signal, TModemLine line, void (TCustomComPort::*notify)(bool));
  void ProcessEvent(TComEvent event);
  template <typename Start>
  std::int32_t Transfer(Start start);

  bool connected_ = false;
  TBaudRate baudRate_ = TBaudRate::br9600;
  std::int32_t customBaudRate_ = 9600;
  std::string port_ = "COM1";
  TStopBits stopBits_ = TStopBits::sbOneStopBit;
  TDataBits dataBits_ = TDataBits::dbEight;
  bool discardNull_ = false;
  char eventChar_ = '\0';
  TComEvents events_ = kAllComEvents;
  TSyncMethod syncMethod_ = TSyncMethod::smThreadSync;
  TSettingGroups storedGroups_ = {TSettingGroup::sgBasic};

  std::unique_ptr<TComParity> parity_;
  std::unique_ptr<TComFlowControl> flowControl_;
  std::unique_ptr<TComTimeouts> timeouts_;
  std::unique_ptr<TComBuffer> buffer_;

  std::int32_t settingsChangeDepth_ = 0;
  bool loading_ = false;
  // Recursive: slots run with it held and may add or remove observers.
  std::recursive_mutex observersMutex_;
  std::vector<TPortObserver*> observers_;
  std::atomic<bool> hasObservers_ = false;  // observers_ is not empty; read without the lock
  ComDeviceFactory deviceFactory_;
  std::unique_ptr<ComDevice> device_;
  // Declared after the device: destroyed before it. Both are kept from open to open.
  std::unique_ptr<NotificationWindow> notifyWindow_;
  std::unique_ptr<TComThread> eventThread_;
  bool eventThreadActive_ = false;
  std::function<void(const std::exception&)> showException_;
};

}  // namespace kestrova
