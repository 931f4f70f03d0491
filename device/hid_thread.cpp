#include "device/hid_thread.h"

#include "device/commandset.h"
#include "device/hidapilock.h"
#include "device/hidcodec.h"
#include "device/transfergate.h"

#include <hidapi.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDebug>
#include <QMutexLocker>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

uchar SecrecyCode[8] = {};

namespace {

constexpr int kClaimTries = 255;
constexpr int kClaimSleepMs = 8;
constexpr int kOutputReportGapMs = 120;
constexpr int kPauseStepMs = 64;
constexpr int kListenReadTimeoutMs = 500;
constexpr int kNotifyLength = 4; // 06 07 00 <stage>

void processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

using CommandSet::command;
using CommandSet::query;

} // namespace

QMutex &HidApiLock::mutex()
{
    static QMutex lock;
    return lock;
}

void HidDeviceCloser::operator()(hid_device *handle) const
{
    if (!handle)
        return;
    QMutexLocker locker(&HidApiLock::mutex());
    hid_close(handle);
}

Hid_Thread::Hid_Thread(QObject *parent) : QThread(parent)
{
    // One thread, kept for the program's life: exchanges run one at a time
    // and in order.
    linkThread.setMaxThreadCount(1);
    linkThread.setExpiryTimeout(-1);
}

Hid_Thread::~Hid_Thread()
{
    linkThread.waitForDone();
    // The listener emits through this object and owns notifyHandle: it has to
    // be gone before either is.
    stopListen();
    listenFuture.waitForFinished();
}

std::shared_ptr<DeviceEntry> Hid_Thread::entryAt(int index) const
{
    if (index < 0 || index >= deviceList.size())
        return nullptr;
    return deviceList.at(index);
}

DeviceEntry *Hid_Thread::currentEntry() const
{
    return entryAt(deviceIndex).get();
}

// ---------------------------------------------------------------------------
// Link

hid_device *Hid_Thread::openInterface(HidHandle &handle, QString &path)
{
    if (path.isEmpty())
        return nullptr;
    handle.reset();
    hid_device *device = nullptr;
    int error = 0;
    {
        QMutexLocker locker(&HidApiLock::mutex());
        errno = 0;
        device = hid_open_path(path.toLocal8Bit().constData());
        error = errno; // what open(2) said, before anything else can change it
    }
    openError = device ? 0 : error;
    if (!device) {
        // Gone for this interface until the presence check finds it again.
        path.clear();
        return nullptr;
    }
    hid_set_nonblocking(device, 0);
    handle.reset(device);
    return device;
}

hid_device *Hid_Thread::openHidDevice(int index)
{
    const auto entry = entryAt(index);
    if (!entry)
        return nullptr;
    return openInterface(hidHandle, entry->path);
}

hid_device *Hid_Thread::openNotifyDevice(int index)
{
    const auto entry = entryAt(index);
    if (!entry)
        return nullptr;
    return openInterface(notifyHandle, entry->path2);
}

void Hid_Thread::closeHidDevice()
{
    hidHandle.reset();
}

void Hid_Thread::closeNotifyDevice()
{
    notifyHandle.reset();
}

bool Hid_Thread::waitHidIdle()
{
    // A command started from an event handled while another one waits for
    // the link on this thread would slip in between that command's steps: it
    // is refused at once (it used to spend its tries in vain, since the
    // holder could not go on before it gave up).
    if (TransferGate::busy())
        return false;
    TransferGate::Scope transfer;
    for (int tries = 0; tries < kClaimTries; ++tries) {
        if (hidIdle.exchange(false))
            return true;
        QThread::msleep(kClaimSleepMs);
        processPendingEvents();
    }
    return false;
}

void Hid_Thread::hidPause()
{
    QThread::msleep(kPauseStepMs);
    QThread::msleep(kPauseStepMs);
}

bool Hid_Thread::failExchange()
{
    closeHidDevice();
    hidIdle = true;
    return false;
}

bool Hid_Thread::finishExchange()
{
    closeHidDevice();
    hidIdle = true;
    return true;
}

bool Hid_Thread::onLinkThread(const std::function<bool()> &exchange)
{
    if (!TransferGate::canWaitHere())
        return exchange();
    // The exchange, its pauses included, runs on the link's thread while this
    // one goes on handling events (see TransferGate).
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    std::atomic<bool> done{false};
    bool ok = false;
    linkThread.start([&exchange, &ok, &done, dispatcher] {
        ok = exchange();
        done.store(true, std::memory_order_release);
        if (dispatcher)
            dispatcher->wakeUp();
    });
    TransferGate::waitUntil(done);
    return ok;
}

bool Hid_Thread::hidGetCommand(int dataLen)
{
    TransferGate::Scope transfer;
    return onLinkThread([this, dataLen] { return queryExchange(dataLen); });
}

std::shared_ptr<DeviceEntry> Hid_Thread::sendFrame(int dataLen)
{
    // Held for the whole exchange: event processing elsewhere may replace the list.
    const auto entry = entryAt(deviceIndex);
    if (!entry || dataLen < 0 || dataLen > int(dataBuf.size()) || !openHidDevice(deviceIndex)) {
        hidIdle = true;
        return nullptr;
    }
    if (entry->isEncode)
        USBDataEncryption(&sendBuf[1], SecrecyCode);

    if (!openHidDevice(deviceIndex) ||
        hid_send_feature_report(hidHandle.get(), sendBuf.data(), sendBuf.size()) < 0) {
        failExchange();
        return nullptr;
    }
    return entry;
}

bool Hid_Thread::queryExchange(int dataLen)
{
    const auto entry = sendFrame(dataLen);
    if (!entry)
        return false;
    if (!openHidDevice(deviceIndex) ||
        hid_get_feature_report(hidHandle.get(), recvBuf.data(), recvBuf.size()) < 0)
        return failExchange();

    if (dataLen == 0) {
        finishExchange();
        if (entry->isEncode)
            USBDataDecipher(&recvBuf[1], SecrecyCode);
        return true;
    }

    // Input data phase, never scrambled. The reports are gathered aside so that
    // a phase that breaks off leaves dataBuf (the caller's preload) whole.
    const int reportLength = entry->reportLength;
    if (reportLength <= 0)
        return failExchange();
    const int chunk = std::min(dataLen, reportLength);
    std::vector<uchar> payload;
    payload.reserve(std::size_t(dataLen));
    std::vector<uchar> report(std::size_t(reportLength) + 1);
    while (int(payload.size()) < dataLen) {
        std::fill(report.begin(), report.end(), 0);
        if (!openHidDevice(deviceIndex))
            return failExchange();
        const int got = hid_read_timeout(hidHandle.get(), report.data(), report.size(),
                                         kDataPhaseReadTimeoutMs);
        if (got <= 0)
            return failExchange();
        const int take = std::min(chunk, dataLen - int(payload.size()));
        payload.insert(payload.end(), report.begin(), report.begin() + take);
    }
    std::copy(payload.begin(), payload.end(), dataBuf.begin());
    return finishExchange();
}

bool Hid_Thread::hidSetCommand(int dataLen, bool pause)
{
    TransferGate::Scope transfer;
    processPendingEvents();
    return onLinkThread([this, dataLen, pause] { return commandExchange(dataLen, pause); });
}

bool Hid_Thread::commandExchange(int dataLen, bool pause)
{
    const auto entry = sendFrame(dataLen);
    if (!entry)
        return false;
    if (pause)
        hidPause();
    if (dataLen == 0)
        return finishExchange();

    // Output data phase, never scrambled.
    const int reportLength = entry->reportLength;
    const int count = HidCodec::reportCount(dataLen, reportLength);
    if (count == 0) {
        qDebug() << "HID FAIL";
        return failExchange();
    }
    for (int i = 0; i < count; ++i) {
        const auto report = HidCodec::outputReport(dataBuf.data(), dataLen, reportLength, i);
        if (!openHidDevice(deviceIndex) ||
            hid_write(hidHandle.get(), report.data(), report.size()) < 0) {
            qDebug() << "HID FAIL";
            return failExchange();
        }
        QThread::msleep(kOutputReportGapMs);
    }
    qDebug() << "HID SUCCESS";
    if (pause)
        hidPause();
    return finishExchange();
}

uchar Hid_Thread::hidCS(uchar *cmd)
{
    return HidCodec::checksum(cmd);
}

void Hid_Thread::USBDataEncryption(uchar FIFOBuf[], uchar SecrecyCode[])
{
    HidCodec::encrypt(FIFOBuf, SecrecyCode);
}

void Hid_Thread::USBDataDecipher(uchar FIFOBuf[], uchar SecrecyCode[])
{
    HidCodec::decipher(FIFOBuf, SecrecyCode);
}

bool Hid_Thread::chkDeviceIsEnCode(int index)
{
    deviceIndex = index;
    std::srand(unsigned(std::time(nullptr)));
    uchar challenge[4];
    for (uchar &c : challenge)
        c = uchar(std::rand() & 0xFF);

    const auto entry = entryAt(index);
    if (entry && entry->sCode.size() == 6) {
        const QByteArray code = entry->sCode.toLatin1();
        for (int i = 0; i < 6; ++i)
            SecrecyCode[i + 1] = uchar(code.at(i));
    }

    uchar answer[4] = {challenge[0], challenge[1], challenge[2], challenge[3]};
    // A busy or broken exchange hands the challenge back untouched or zeroed;
    // neither is an answer.
    const bool ok = hid553_00H_GetSecrecyCode(answer[0], answer[1], answer[2], answer[3]) &&
                    std::equal(answer, answer + 4, challenge);
    qDebug() << "chkDeviceIsEnCode = " << ok;
    return ok;
}

// ---------------------------------------------------------------------------
// Command set

bool Hid_Thread::runCommand(const CommandSet::Entry &command, std::initializer_list<uchar> args,
                            const uchar *payload, int length)
{
    const int dataLength = !payload ? 0 : length >= 0 ? length : command.dataLength;
    if (!waitHidIdle()) {
        qDebug() << command.busyLine;
        ++m_failedCommands;
        return false;
    }
    sendBuf = CommandSet::frame(command, args, dataLength);
    if (dataLength > 0)
        std::copy(payload, payload + dataLength, dataBuf.begin());
    if (hidSetCommand(dataLength, command.pause))
        return true;
    ++m_failedCommands;
    return false;
}

bool Hid_Thread::runQuery(const CommandSet::Entry &query, std::initializer_list<uchar> args,
                          std::initializer_list<uchar *> results, uchar *data)
{
    const CommandSet::Reply &reply = query.reply;
    const int dataLength = data ? query.dataLength : 0;
    Q_ASSERT(reply.first + int(results.size()) <= int(recvBuf.size()));
    if (!waitHidIdle()) {
        qDebug() << query.busyLine;
        return false;
    }
    sendBuf = CommandSet::frame(query, args, dataLength);
    recvBuf.fill(0);
    int at = reply.first;
    if (reply.preload == CommandSet::Preload::CallerValues) {
        for (const uchar *result : results)
            recvBuf[at++] = *result;
    }
    if (dataLength > 0)
        std::copy(data, data + dataLength, dataBuf.begin());

    const bool ok = hidGetCommand(dataLength);
    if (!ok && !reply.afterFailure)
        return false;
    at = reply.first;
    for (uchar *result : results)
        *result = recvBuf[at++];
    if (dataLength > 0)
        std::copy(dataBuf.begin(), dataBuf.begin() + dataLength, data);
    return ok;
}

bool Hid_Thread::hid553_00H_GetSecrecyCode(uchar &byte1, uchar &byte2, uchar &byte3, uchar &byte4)
{
    return runQuery(query<CommandSet::kAnyFamily, 0x00>(), {byte1, byte2, byte3, byte4},
                    {&byte1, &byte2, &byte3, &byte4});
}

bool Hid_Thread::hid553_83H_GetKeyboardoption(uchar &byte1, uchar &byte2, uchar &byte3,
                                              uchar &byte4)
{
    return runQuery(query<553, 0x83>(), {}, {&byte1, &byte2, &byte3, &byte4});
}

bool Hid_Thread::hid560_81H_GetKeyboardoption(uchar &byte1, uchar &byte2)
{
    return runQuery(query<560, 0x81>(), {}, {&byte1, &byte2});
}

bool Hid_Thread::hid560_82H_GetCurrentProfile(uchar &byte1)
{
    return runQuery(query<560, 0x82>(), {}, {&byte1});
}

bool Hid_Thread::hid560_84H_GetCurrentDPI(uchar &byte1, uchar &byte2)
{
    return runQuery(query<560, 0x84>(), {byte1}, {&byte1, &byte2});
}

bool Hid_Thread::hid553_8BH_GetCurrentDPI(uchar &byte1)
{
    return runQuery(query<553, 0x8B>(), {}, {&byte1});
}

void Hid_Thread::hid553_01H_SetReportRate(uchar rate)
{
    qDebug() << "hid553_01H_SetReportRate = " << rate;
    runCommand(command<553, 0x01>(), {rate});
}

void Hid_Thread::hid553_02H_SetCurrentKeyMatrix(uchar currentKeyMatrix)
{
    qDebug() << "hid553_02H_SetCurrentKeyMatrix = " << currentKeyMatrix;
    runCommand(command<553, 0x02>(), {currentKeyMatrix});
}

void Hid_Thread::hid553_11H_SetDPISet(uchar dpiStage, uchar *src8)
{
    if (!src8)
        return;
    qDebug() << "hid553_11H_SetDPISet ,dpiStage = " << dpiStage;
    {
        QDebug line = qDebug();
        line << "DPI - src8 = ";
        for (int i = 0; i < 8; ++i)
            line << int(src8[i]);
    }
    runCommand(command<553, 0x11>(), {dpiStage}, src8);
}

void Hid_Thread::hid553_0BH_SetCurrentDPI(uchar stage)
{
    qDebug() << "hid553_0BH_SetCurrentDPI = " << stage;
    runCommand(command<553, 0x0B>(), {stage});
}

void Hid_Thread::hid553_12H_SetKeyMatrix(uchar *src64, uchar indexAddOne)
{
    if (!src64)
        return;
    qDebug() << "hid553_12H_SetKeyMatrix , indexAddOne = " << indexAddOne;
    runCommand(command<553, 0x12>(), {indexAddOne}, src64);
}

bool Hid_Thread::hid553_13H_SetMacroKey(uchar macroId, uchar *src128)
{
    if (!src128)
        return false;
    qDebug() << "hid553_13H_SetMacroKey , macroId = " << macroId
             << ",src128 = " << static_cast<const void *>(src128);
    return runCommand(command<553, 0x13>(), {macroId}, src128);
}

void Hid_Thread::hid553_16H_SetSlaveAttritube(uchar *src64)
{
    if (!src64)
        return;
    qDebug() << "hid553_16H_SetSlaveAttritube = ";
    runCommand(command<553, 0x16>(), {}, src64);
}

void Hid_Thread::hid560_03H_SetReportRate(uchar rate)
{
    runCommand(command<560, 0x03>(), {rate});
}

void Hid_Thread::hid560_04H_SetCurrentDPI(uchar stage)
{
    runCommand(command<560, 0x04>(), {stage});
}

void Hid_Thread::hid560_0DH_SetKeyMatrix(uchar *src64, uchar indexAddOne)
{
    if (!src64)
        return;
    // The 560 matrix travels as 128 bytes: the 64 given, then zeros.
    std::array<uchar, CommandSet::kMaxDataLength> payload{};
    std::copy(src64, src64 + 64, payload.begin());
    runCommand(command<560, 0x0D>(), {indexAddOne}, payload.data());
}

bool Hid_Thread::hid560_0FH_SetMacroKey(uchar macroId, uchar *src128)
{
    if (!src128)
        return false;
    return runCommand(command<560, 0x0F>(), {macroId}, src128);
}

void Hid_Thread::hid553_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4)
{
    qDebug() << "hid553_03H_SetKeyboardoption , byte1-4 =" << byte1 << byte2 << byte3 << byte4;
    runCommand(command<553, 0x03>(), {byte1, byte2, byte3, byte4});
}

void Hid_Thread::hid553_04H_SetGunData(uchar byte1, uchar byte2, uchar byte3, uchar byte4)
{
    runCommand(command<553, 0x04>(), {byte1, byte2, byte3, byte4});
}

void Hid_Thread::hid560_01H_SetKeyboardoption(uchar byte1, uchar byte2)
{
    runCommand(command<560, 0x01>(), {byte1, byte2});
}

void Hid_Thread::hid560_0CH_setProfile(uchar *src128, uchar profileData)
{
    if (!src128)
        return;
    runCommand(command<560, 0x0C>(), {profileData}, src128);
}

bool Hid_Thread::hid560_8CH_readProfile(uchar *src128, uchar profileNo)
{
    if (!src128)
        return false;
    return runQuery(query<560, 0x8C>(), {profileNo}, {}, src128);
}

void Hid_Thread::hid560_02H_SetCurrentProfile(uchar profile)
{
    runCommand(command<560, 0x02>(), {profile});
}

void Hid_Thread::hid553_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2)
{
    qDebug() << "hid553_0DH_SetRGBLedEffect , effect = " << effect << option1 << option2;
    runCommand(command<553, 0x0D>(), {effect, option1, option2});
}

void Hid_Thread::hid553_0CH_SetFixLEDColor(uchar *src3)
{
    if (!src3)
        return;
    runCommand(command<553, 0x0C>(), {src3[0], src3[1], src3[2]});
}

void Hid_Thread::hid553_10H_SetLED8StageColor(uchar type, uchar *src24)
{
    if (!src24)
        return;
    qDebug() << "hid553_10H_SetLED8StageColor , type = " << type
             << ",src24 = " << static_cast<const void *>(src24);
    // Type 2 carries its colours packed into four bytes.
    runCommand(command<553, 0x10>(), {type}, src24, type == 2 ? 4 : 24);
}

bool Hid_Thread::hid_87H_GetLEDInstructFunction(uchar type, uchar &option1, uchar &option2,
                                                uchar &option3)
{
    return runQuery(query<CommandSet::kAnyFamily, 0x87>(), {type}, {&option1, &option2, &option3});
}

void Hid_Thread::hid553_07H_Lod(uchar stage, uchar en)
{
    runCommand(command<553, 0x07>(), {stage, en});
}

void Hid_Thread::hid560_09H_Lod(uchar stage, uchar en)
{
    // Switched off, the distance goes out as 0.
    runCommand(command<560, 0x09>(), {uchar(en ? stage : 0)});
}

// ---------------------------------------------------------------------------
// Connect sequence and listener

void Hid_Thread::startDevice(uint index)
{
    // Only one listener may hold the notification interface.
    stopListen();
    listenFuture.waitForFinished();

    const auto entry = entryAt(int(index));
    listening = true;
    listenFuture = QtConcurrent::run([this, entry] { listenLoop(entry); });
}

void Hid_Thread::listenDevice(uint index)
{
    listenLoop(entryAt(int(index)));
}

void Hid_Thread::stopListen()
{
    listening = false;
}

void Hid_Thread::listenLoop(const std::shared_ptr<DeviceEntry> &entry)
{
    // Without a notification interface there is nothing to watch; clearing the
    // flag lets device-change notices schedule checks again.
    if (!entry || entry->path2.isEmpty()) {
        listening = false;
        return;
    }
    while (listening) {
        if (!openInterface(notifyHandle, entry->path2)) {
            qDebug() << "Device removed";
            entry->path2.clear();
            listening = false;
            emit deviceRemoved();
            return;
        }
        // A whole report is read; a device may pad the notification to its
        // report length, and only the first four bytes carry it.
        std::vector<uchar> report(std::size_t(std::max(entry->reportLength, kNotifyLength)));
        const int got = hid_read_timeout(notifyHandle.get(), report.data(), report.size(),
                                         kListenReadTimeoutMs);
        if (got >= kNotifyLength && report[0] == 0x06 && report[1] == 0x07)
            emit dpiStageReported(report[3]);
        closeNotifyDevice();
    }
}
