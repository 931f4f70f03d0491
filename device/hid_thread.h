// The program's only path to the mouse: link layer, command set of both
// families, connect sequence and notification listener.
#pragma once

#include "device/deviceentry.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QThread>
#include <QThreadPool>

#include <array>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>

namespace CommandSet {
struct Entry;
}
struct hid_device_;
typedef struct hid_device_ hid_device;

struct HidDeviceCloser {
    void operator()(hid_device *handle) const;
};
using HidHandle = std::unique_ptr<hid_device, HidDeviceCloser>;

class Hid_Thread : public QThread
{
    Q_OBJECT
public:
    explicit Hid_Thread(QObject *parent = nullptr);
    ~Hid_Thread() override; // stops and waits for a running listener

    // Fields in their declared order.
    QList<std::shared_ptr<DeviceEntry>> deviceList;
    int deviceIndex = 1;
    HidHandle hidHandle;
    HidHandle notifyHandle;
    std::atomic<bool> hidIdle{true};
    std::atomic<bool> listening{false};
    QFuture<void> listenFuture;
    std::array<uchar, 9> sendBuf{};
    std::array<uchar, 9> recvBuf{};
    std::array<uchar, 256> dataBuf{};
    // errno of the last open that failed, 0 after one that worked: tells a
    // node this user may not open from one that has gone.
    std::atomic<int> openError{0};

    // The current entry, or nullptr when deviceIndex is outside the list.
    DeviceEntry *currentEntry() const;

    // Link operations.
    hid_device *openHidDevice(int index);
    hid_device *openNotifyDevice(int index);
    void closeHidDevice();
    void closeNotifyDevice();
    bool waitHidIdle();
    bool hidGetCommand(int dataLen);
    bool hidSetCommand(int dataLen, bool pause);
    void hidPause();

    // The listener: startDevice ends a running one, then starts it for entry
    // index (the family's part of the connect sequence, the notification
    // option, comes before; see MouseDevice).
    void startDevice(uint index);
    // The listener loop for entry index, on the calling thread. The design
    // names it as what startDevice runs; startDevice runs the same loop with
    // the entry it looked up held, so that a new device list cannot free it.
    void listenDevice(uint index);
    void stopListen();

    // How many commands since construction did not reach the mouse (the
    // link was busy or the exchange failed). The slots return nothing, so a
    // caller that must know compares this before and after.
    int failedCommands() const { return m_failedCommands; }

    // Bound on each blocking input read of a query's data phase.
    static constexpr int kDataPhaseReadTimeoutMs = 1000;

signals:
    // Emitted from the listener's pool thread; connect with an automatic or
    // queued connection so that the receiver runs on its own thread.
    void dpiStageReported(int stage);
    void deviceRemoved();

public slots:
    uchar hidCS(uchar *cmd);
    bool chkDeviceIsEnCode(int index);
    void USBDataEncryption(uchar FIFOBuf[], uchar SecrecyCode[]);
    void USBDataDecipher(uchar FIFOBuf[], uchar SecrecyCode[]);
    bool hid553_00H_GetSecrecyCode(uchar &byte1, uchar &byte2, uchar &byte3, uchar &byte4);
    bool hid553_83H_GetKeyboardoption(uchar &byte1, uchar &byte2, uchar &byte3, uchar &byte4);
    bool hid560_81H_GetKeyboardoption(uchar &byte1, uchar &byte2);
    bool hid560_82H_GetCurrentProfile(uchar &byte1);
    bool hid560_84H_GetCurrentDPI(uchar &byte1, uchar &byte2);
    bool hid553_8BH_GetCurrentDPI(uchar &byte1);
    void hid553_01H_SetReportRate(uchar rate);
    void hid553_02H_SetCurrentKeyMatrix(uchar currentKeyMatrix);
    void hid553_11H_SetDPISet(uchar dpiStage, uchar *src8);
    void hid553_0BH_SetCurrentDPI(uchar stage);
    void hid553_12H_SetKeyMatrix(uchar *src64, uchar indexAddOne);
    bool hid553_13H_SetMacroKey(uchar macroId, uchar *src128); // false: not delivered
    void hid553_16H_SetSlaveAttritube(uchar *src64);
    void hid560_03H_SetReportRate(uchar rate);
    void hid560_04H_SetCurrentDPI(uchar stage);
    void hid560_0DH_SetKeyMatrix(uchar *src64, uchar indexAddOne);
    bool hid560_0FH_SetMacroKey(uchar macroId, uchar *src128); // false: not delivered
    void hid553_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4);
    void hid553_04H_SetGunData(uchar byte1, uchar byte2, uchar byte3, uchar byte4);
    void hid560_01H_SetKeyboardoption(uchar byte1, uchar byte2);
    void hid560_0CH_setProfile(uchar *src128, uchar profileData);
    bool hid560_8CH_readProfile(uchar *src128, uchar profileNo);
    void hid560_02H_SetCurrentProfile(uchar profile);
    void hid553_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2);
    void hid553_0CH_SetFixLEDColor(uchar *src3);
    void hid553_10H_SetLED8StageColor(uchar type, uchar *src24);
    bool hid_87H_GetLEDInstructFunction(uchar type, uchar &option1, uchar &option2, uchar &option3);
    void hid553_07H_Lod(uchar stage, uchar en);
    void hid560_09H_Lod(uchar stage, uchar en);

private:
    std::shared_ptr<DeviceEntry> entryAt(int index) const;
    hid_device *openInterface(HidHandle &handle, QString &path);
    bool failExchange();
    bool finishExchange();
    // A command of the table with its arguments and, when it has a data
    // phase, its payload (of the table's length unless length is given).
    // Each writes the entry's busy line when the interface cannot be claimed.
    bool runCommand(const CommandSet::Entry &command, std::initializer_list<uchar> args,
                    const uchar *payload = nullptr, int length = -1);
    // A query of the table: results are the caller's bytes from the entry's
    // first reply byte on, data its buffer for a query with a data phase.
    bool runQuery(const CommandSet::Entry &query, std::initializer_list<uchar> args,
                  std::initializer_list<uchar *> results, uchar *data = nullptr);
    void listenLoop(const std::shared_ptr<DeviceEntry> &entry);
    // Runs an exchange on linkThread and waits for it (TransferGate); inline
    // where no event loop can wait.
    bool onLinkThread(const std::function<bool()> &exchange);
    // Opens the command interface and sends the frame in sendBuf (scrambled
    // for an encoded device). Null when that failed; the link is free again then.
    std::shared_ptr<DeviceEntry> sendFrame(int dataLen);
    bool queryExchange(int dataLen);
    bool commandExchange(int dataLen, bool pause);

    // The link's thread: exchanges and their pauses run there.
    QThreadPool linkThread;
    std::atomic<int> m_failedCommands{0};
};

// The program-wide secrecy code: positions 1..6 hold the six characters of
// the device's sCode, position 0 stays 0.
extern uchar SecrecyCode[8];
// "TaMiKeVo"
extern const uchar USBCodeTable[8];
