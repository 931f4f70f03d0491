#include "view/myqquickview.h"

#include "desktop/autostart.h"
#include "device/hid_thread.h"
#include "device/transfergate.h"
#include "devicesettings/devicesettings.h"
#include "devicesettings/recoildata.h"
#include "macro/macrolibrary.h"
#include "settings/langstrings.h"
#include "settings/settingsstore.h"
#include "view/operations.h"
#include "view/screenrule.h"
#include "view/widgetdialogs.h"

#include <QDebug>
#include <QQuickItem>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>

myQQuickView::myQQuickView(QWidget *mainWindow, const QString &modulesDir) : QQuickView()
{
    m_dialogs = std::make_unique<SwitchableDialogs>(mainWindow);
    m_ops = std::make_unique<Operations>(modulesDir, m_dialogs.get());
    setResizeMode(QQuickView::SizeRootObjectToView);
    setColor(Qt::transparent);
    // One line when the scene is first on screen (scripts/measure-startup.sh waits for it).
    auto first = std::make_shared<QMetaObject::Connection>();
    *first = connect(this, &QQuickWindow::frameSwapped, this, [first] {
        qDebug() << "scene: first frame";
        QObject::disconnect(*first);
    });
}

myQQuickView::~myQQuickView() = default;

void myQQuickView::setDialogs(UserDialogs *dialogs)
{
    m_dialogs->setTarget(dialogs);
}

void myQQuickView::setHidThread(Hid_Thread *hid)
{
    m_hid = hid;
    m_ops->attachDevice(hid);
}

MouseDevice *myQQuickView::device() const
{
    return m_ops->device();
}

bool myQQuickView::callScene(const char *function, Qt::ConnectionType type,
                             const QVariantList &args)
{
    QQuickItem *root = rootObject();
    if (!root)
        return false;
    QVariant a[4];
    for (int i = 0; i < args.size() && i < 4; ++i)
        a[i] = args.at(i);
    switch (args.size()) {
    case 0:
        return QMetaObject::invokeMethod(root, function, type);
    case 1:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]));
    case 2:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]));
    case 3:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]), Q_ARG(QVariant, a[2]));
    default:
        return QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, a[0]),
                                         Q_ARG(QVariant, a[1]), Q_ARG(QVariant, a[2]),
                                         Q_ARG(QVariant, a[3]));
    }
}

void myQQuickView::clearHidBusy()
{
    if (m_hid)
        m_hid->hidIdle = true;
}

void myQQuickView::initUI()
{
    callScene("initUI", Qt::QueuedConnection);
}

void myQQuickView::runUI()
{
    callScene("run", Qt::QueuedConnection);
}

void myQQuickView::setBusy(int busyTime)
{
    callScene("setProtectUI", Qt::DirectConnection, {busyTime});
}

void myQQuickView::setCurrentDPI(int dpiValue)
{
    if (QThread::currentThread() != thread()) {
        // The scene may only be touched on the GUI thread.
        QMetaObject::invokeMethod(this, "setCurrentDPI", Qt::QueuedConnection,
                                  Q_ARG(int, dpiValue));
        return;
    }
    callScene("setCurrentDPI", Qt::DirectConnection, {dpiValue});
}

void myQQuickView::setEnabled(bool enabled)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, "setEnabled", Qt::QueuedConnection, Q_ARG(bool, enabled));
        return;
    }
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    qDebug() << (enabled ? "view: input enabled" : "view: input disabled");
    if (m_container)
        m_container->setEnabled(enabled);
    emit inputEnabledChanged(enabled);
}

void myQQuickView::openUpdateExe() {}

// Captured input reaches the scene after a running device transfer.
void myQQuickView::detectKeyboard(bool isDown, uchar usage)
{
    TransferGate::whenIdle(this, [this, isDown, usage] {
        callScene("detectKeyboard", Qt::QueuedConnection, {isDown, int(usage)});
    });
}

void myQQuickView::detectMouse(bool isDown, uchar code, int x, int y)
{
    TransferGate::whenIdle(this, [this, isDown, code, x, y] {
        callScene("detectMouse", Qt::QueuedConnection, {isDown, uint(code), uint(x), uint(y)});
    });
}

void myQQuickView::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    if (delta.y() == 0 && delta.x() != 0) {
        event->accept(); // horizontal wheels are not passed on
        return;
    }
    callScene("scroll", Qt::QueuedConnection, {wheelSteps(delta.y())});
    event->accept();
}

void myQQuickView::focusInEvent(QFocusEvent *event)
{
    QQuickView::focusInEvent(event);
    update();
    event->accept();
}

bool myQQuickView::event(QEvent *event)
{
    // The window delivers wheels to the scene's items on its own; route them
    // through wheelEvent so that the scene only ever gets whole steps.
    if (event->type() == QEvent::Wheel && m_enabled) {
        wheelEvent(static_cast<QWheelEvent *>(event));
        return true;
    }
    // A disabled view takes no input; everything else goes on as usual.
    if (!m_enabled) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QQuickView::event(event);
}

// Forwarded operations, written by scripts/gen-forwarders.py.
// @@FORWARDER BODIES BEGIN@@
QVariant myQQuickView::getData(const QVariant &key, bool isRecovery)
{
    return m_ops->settings()->getData(key, isRecovery);
}

QVariantList myQQuickView::getDataList(const QVariant &key, bool isRecovery)
{
    return m_ops->settings()->getDataList(key, isRecovery);
}

QVariant myQQuickView::getGlobalData(const QVariant &key)
{
    return m_ops->settings()->getGlobalData(key);
}

void myQQuickView::setData(const QVariant &key, const QVariant &data)
{
    m_ops->settings()->setData(key, data);
}

void myQQuickView::setDataList(const QVariant &key, const QVariantList &datalist)
{
    m_ops->settings()->setDataList(key, datalist);
}

void myQQuickView::setGlobalData(const QVariant &key, const QVariant &tmpdata)
{
    m_ops->settings()->setGlobalData(key, tmpdata);
}

void myQQuickView::setCurrentProfile(int profile)
{
    m_ops->settings()->setCurrentProfile(profile);
}

void myQQuickView::resetProfile(int profile)
{
    m_ops->settings()->resetProfile(profile);
}

bool myQQuickView::loadProfile(int profile)
{
    return m_ops->settings()->loadProfile(profile);
}

void myQQuickView::saveProfile(int profile)
{
    m_ops->settings()->saveProfile(profile);
}

void myQQuickView::copyProfile(int destprofile, int srcprofile)
{
    m_ops->settings()->copyProfile(destprofile, srcprofile);
}

void myQQuickView::resetApconfig()
{
    m_ops->settings()->resetApconfig();
}

QStringList myQQuickView::getLangStrings(QString typeStr, QString langCode)
{
    return m_ops->lang()->getLangStrings(typeStr, langCode);
}

void myQQuickView::mouseSetKeyMatrix(QVariant mouseMode, QVariantList src64, QVariantList src64_2,
                                     bool isSendData, QVariantList otherParam)
{
    m_ops->deviceSettings()->mouseSetKeyMatrix(mouseMode, src64, src64_2, isSendData, otherParam);
}

void myQQuickView::mouseResetKeyMatrix()
{
    m_ops->deviceSettings()->mouseResetKeyMatrix();
}

void myQQuickView::mouseSwitchKeyMatrix(int indexNo)
{
    m_ops->deviceSettings()->mouseSwitchKeyMatrix(indexNo);
}

QVariantList myQQuickView::mouseGetKeydefine(QVariant mouseMode, QVariant index, bool isRecovery)
{
    return m_ops->deviceSettings()->mouseGetKeydefine(mouseMode, index, isRecovery);
}

QStringList myQQuickView::getButtonLabels()
{
    return m_ops->deviceSettings()->getButtonLabels();
}

QVariantList myQQuickView::getKeyCodes()
{
    return m_ops->deviceSettings()->getKeyCodes();
}

QStringList myQQuickView::getKeyNames()
{
    return m_ops->deviceSettings()->getKeyNames();
}

void myQQuickView::mouseSetDpi(int dpiCount, QString sensorType, QVariantList dpiValueArray,
                               QVariantList dpiEnableArray)
{
    m_ops->deviceSettings()->mouseSetDpi(dpiCount, sensorType, dpiValueArray, dpiEnableArray);
}

void myQQuickView::mouseSetCurrentDPI(uchar currentDPI)
{
    m_ops->deviceSettings()->mouseSetCurrentDPI(currentDPI);
}

QVariant myQQuickView::mouseGetCurrentDPI()
{
    return m_ops->deviceSettings()->mouseGetCurrentDPI();
}

void myQQuickView::mouseSetLedType(uchar effect, uchar brightness, uchar speed, uchar direction,
                                   QVariantList rgbArray)
{
    m_ops->deviceSettings()->mouseSetLedType(effect, brightness, speed, direction, rgbArray);
}

void myQQuickView::mouseSetRGBEffect(uchar effect, uchar option1, uchar option2)
{
    m_ops->deviceSettings()->mouseSetRGBEffect(effect, option1, option2);
}

void myQQuickView::mouseSetRGBColor(uchar type, QVariantList src24)
{
    m_ops->deviceSettings()->mouseSetRGBColor(type, src24);
}

void myQQuickView::ui_10H_SetLED8StageColor(uchar type, QVariantList src24)
{
    m_ops->deviceSettings()->ui_10H_SetLED8StageColor(type, src24);
}

QVariantList myQQuickView::ui_90H_GetLED8StageColor(uchar type)
{
    return m_ops->deviceSettings()->ui_90H_GetLED8StageColor(type);
}

bool myQQuickView::chkIsLogoLedWork()
{
    return m_ops->deviceSettings()->chkIsLogoLedWork();
}

void myQQuickView::mouseSetProfile(uint profileNo)
{
    m_ops->deviceSettings()->mouseSetProfile(profileNo);
}

void myQQuickView::mouseReadProfile(uint profileNo)
{
    m_ops->deviceSettings()->mouseReadProfile(profileNo);
}

QVariant myQQuickView::mouseReadCurrentProfile()
{
    return m_ops->deviceSettings()->mouseReadCurrentProfile();
}

void myQQuickView::mouseSetReportRate(uchar rate)
{
    m_ops->deviceSettings()->mouseSetReportRate(rate);
}

void myQQuickView::mouseSetLodValue(uchar rate, uchar en)
{
    m_ops->deviceSettings()->mouseSetLodValue(rate, en);
}

void myQQuickView::mouseSetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4)
{
    m_ops->deviceSettings()->mouseSetKeyboardoption(byte1, byte2, byte3, byte4);
}

QVariantList myQQuickView::GetKeyboardoption()
{
    return m_ops->deviceSettings()->GetKeyboardoption();
}

void myQQuickView::mouseSetCursorSpeed(uint cursorSpeed)
{
    m_ops->deviceSettings()->mouseSetCursorSpeed(cursorSpeed);
}

void myQQuickView::mouseSetDoubleClickSpeed(uint speed)
{
    m_ops->deviceSettings()->mouseSetDoubleClickSpeed(speed);
}

void myQQuickView::mouseSetVerticalScrollLines(uint lines)
{
    m_ops->deviceSettings()->mouseSetVerticalScrollLines(lines);
}

void myQQuickView::mouseSaveGundata(QVariant index, QVariantList src6)
{
    m_ops->recoil()->mouseSaveGundata(index, src6);
}

void myQQuickView::modifyGundata(QVariant modifyType, QVariantList src6)
{
    m_ops->recoil()->modifyGundata(modifyType, src6);
}

QVariantList myQQuickView::getGunData(QVariant name)
{
    return m_ops->recoil()->getGunData(name);
}

QStringList myQQuickView::getGunDataKey()
{
    return m_ops->recoil()->getGunDataKey();
}

QVariant myQQuickView::getXYSensitive(QVariant index)
{
    return m_ops->recoil()->getXYSensitive(index);
}

void myQQuickView::setXYSensitive(QVariant index, QVariant xyData)
{
    m_ops->recoil()->setXYSensitive(index, xyData);
}

QVariant myQQuickView::getselectGun(QVariant index)
{
    return m_ops->recoil()->getselectGun(index);
}

void myQQuickView::setSelectGun(QVariant index, QVariant xyData)
{
    m_ops->recoil()->setSelectGun(index, xyData);
}

void myQQuickView::mouseSendGundata(int slot, QVariantList values)
{
    m_ops->recoil()->mouseSendGundata(slot, values);
}

void myQQuickView::setMacroSelectName(const QVariant &name1, const QVariant &name2,
                                      const QVariant &name3, const QVariant &name4,
                                      const QVariant &name5)
{
    m_ops->macros()->setMacroSelectName(name1, name2, name3, name4, name5);
}

void myQQuickView::setMacroLevel(const QVariant &level)
{
    m_ops->macros()->setMacroLevel(level);
}

bool myQQuickView::createMacroIni(const QVariant &name, const QVariant &macroIndex,
                                  const QVariant &macroLevel, const QVariant &macroType)
{
    return m_ops->macros()->createMacroIni(name, macroIndex, macroLevel, macroType);
}

bool myQQuickView::saveMacroIni(const QVariant &macroLevel, const QVariant &name,
                                const QStringList &macros, const QVariant &repeat)
{
    return m_ops->macros()->saveMacroIni(macroLevel, name, macros, repeat);
}

QStringList myQQuickView::loadMacroIni(const QVariant &macroLevel, const QVariant &name)
{
    return m_ops->macros()->loadMacroIni(macroLevel, name);
}

QStringList myQQuickView::loadMacroByName(const QString &name)
{
    return m_ops->macros()->loadMacroByName(name);
}

QStringList myQQuickView::getMacroNames()
{
    return m_ops->macros()->getMacroNames();
}

bool myQQuickView::deleteMacroIni(const QVariant &macroLevel, const QVariant &macroType,
                                  const QVariant &name)
{
    return m_ops->macros()->deleteMacroIni(macroLevel, macroType, name);
}

bool myQQuickView::modifyMacroNameUpdateProfile(const QVariant &macroLevel,
                                                const QVariant &macroType, const QVariant &oldname,
                                                const QVariant &newname)
{
    return m_ops->macros()->modifyMacroNameUpdateProfile(macroLevel, macroType, oldname, newname);
}

void myQQuickView::deleteMacroUpdateProfile(const QString &macroName)
{
    m_ops->macros()->deleteMacroUpdateProfile(macroName);
}

QStringList myQQuickView::getNameList(int type)
{
    return m_ops->macros()->getNameList(type);
}

bool myQQuickView::updataNameList(int type, const QVariantList &nameList)
{
    return m_ops->macros()->updataNameList(type, nameList);
}

QStringList myQQuickView::getMacroList_Att(int att)
{
    return m_ops->macros()->getMacroList_Att(att);
}

QStringList myQQuickView::getMacroSubList_Att(int att, const QString &name)
{
    return m_ops->macros()->getMacroSubList_Att(att, name);
}

bool myQQuickView::updataMacroList(int att, int macroLevel, const QString &currentName,
                                   const QVariantList &nameList, const QVariantList &typeList,
                                   const QVariantList &showImg, const QVariantList &txtMargin,
                                   const QVariantList &level, const QVariantList &no0,
                                   const QVariantList &no1, const QVariantList &no2,
                                   const QVariantList &no3, const QVariantList &no4)
{
    return m_ops->macros()->updataMacroList(att, macroLevel, currentName, nameList, typeList,
                                            showImg, txtMargin, level, no0, no1, no2, no3, no4);
}

void myQQuickView::updataMacroList_delOld(const QString &macroLevel)
{
    m_ops->macros()->updataMacroList_delOld(macroLevel);
}

QString myQQuickView::loadMacroFile(int macroLevel, int selectType)
{
    return m_ops->macros()->loadMacroFile(macroLevel, selectType);
}

void myQQuickView::saveMacroFile(int macroLevel, const QString &macroName)
{
    m_ops->macros()->saveMacroFile(macroLevel, macroName);
}

QString myQQuickView::loadMacroFile_batch()
{
    return m_ops->macros()->loadMacroFile_batch();
}

void myQQuickView::loadMacroFile_sub_batch()
{
    m_ops->macros()->loadMacroFile_sub_batch();
}

QStringList myQQuickView::getMacroFileName_batch(int macroLevel, int macroType)
{
    return m_ops->macros()->getMacroFileName_batch(macroLevel, macroType);
}

void myQQuickView::searchMacroFile_sub_batch(const QString &currentName, int currentLevel,
                                             int deleteLevel)
{
    m_ops->macros()->searchMacroFile_sub_batch(currentName, currentLevel, deleteLevel);
}

void myQQuickView::getbatchPath()
{
    m_ops->macros()->getbatchPath();
}

void myQQuickView::saveMacroFile_batch(int macroLevel, const QVariantList &macroFileName,
                                       const QVariantList &macroFileType)
{
    m_ops->macros()->saveMacroFile_batch(macroLevel, macroFileName, macroFileType);
}

bool myQQuickView::mouseSendMacroData(const QVariantList &macroData, const QVariant &macroIndex)
{
    return m_ops->macros()->mouseSendMacroData(macroData, macroIndex);
}

QVariantList myQQuickView::encodeMacro(const QStringList &steps, int repeat)
{
    return m_ops->macros()->encodeMacro(steps, repeat);
}

int myQQuickView::macroEncodedLength(const QStringList &steps)
{
    return m_ops->macros()->macroEncodedLength(steps);
}

QStringList myQQuickView::macroFolderEntries(int macroLevel, const QString &name)
{
    return m_ops->macros()->macroFolderEntries(macroLevel, name);
}

QString myQQuickView::inputCaptureMode()
{
    return m_ops->macros()->inputCaptureMode();
}

bool myQQuickView::isAutostart()
{
    return m_ops->autostart()->isAutostart();
}

bool myQQuickView::setAutostart(bool enabled)
{
    return m_ops->autostart()->setAutostart(enabled);
}
// @@FORWARDER BODIES END@@
