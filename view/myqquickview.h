// The view that shows the scene and carries the operation set the scene
// calls on ui_View. The operations themselves live in QtCore-only classes
// (see Operations); the slots here only forward to them.
#pragma once

#include <QQuickView>
#include <QVariant>
#include <QVariantList>
#include <QStringList>

#include <memory>

class Hid_Thread;
class MouseDevice;
class Operations;
class UserDialogs;
class SwitchableDialogs;
class QWidget;

class myQQuickView : public QQuickView
{
    Q_OBJECT
public:
    // modulesDir is "./modules" in the program.
    explicit myQQuickView(QWidget *mainWindow,
                          const QString &modulesDir = QStringLiteral("./modules"));
    ~myQQuickView() override;

    void setHidThread(Hid_Thread *hid);
    // Answers the operations' file dialogs and warnings instead of the
    // window's own dialogs (nullptr: the window's again). Not owned.
    void setDialogs(UserDialogs *dialogs);
    Operations *operations() const { return m_ops.get(); }
    QWidget *container() const { return m_container; }
    void setContainer(QWidget *container) { m_container = container; }
    bool isInputEnabled() const { return m_enabled; }

    // The configured mouse (null until setHidThread).
    MouseDevice *device() const;

    // Calls a function of the scene's root item by name.
    bool callScene(const char *function, Qt::ConnectionType type,
                   const QVariantList &args = QVariantList());

    // Captured input (hook callbacks): queued scene calls.
    void detectKeyboard(bool isDown, uchar usage);
    void detectMouse(bool isDown, uchar code, int x, int y);

public slots:
    void clearHidBusy();
    void initUI();
    void runUI();
    void setBusy(int busyTime);
    void setCurrentDPI(int dpiValue);
    void setEnabled(bool enabled);
    void openUpdateExe();

    // Forwarded operations, written by scripts/gen-forwarders.py.
    // @@FORWARDERS BEGIN@@
    QVariant getData(const QVariant &key, bool isRecovery);
    QVariantList getDataList(const QVariant &key, bool isRecovery);
    QVariant getGlobalData(const QVariant &key);
    void setData(const QVariant &key, const QVariant &data);
    void setDataList(const QVariant &key, const QVariantList &datalist);
    void setGlobalData(const QVariant &key, const QVariant &tmpdata);
    void setCurrentProfile(int profile);
    void resetProfile(int profile);
    bool loadProfile(int profile);
    void saveProfile(int profile);
    void copyProfile(int destprofile, int srcprofile);
    void resetApconfig();
    QStringList getLangStrings(QString typeStr, QString langCode);
    void mouseSetKeyMatrix(QVariant mouseMode, QVariantList src64, QVariantList src64_2,
                           bool isSendData, QVariantList otherParam);
    void mouseResetKeyMatrix();
    void mouseSwitchKeyMatrix(int indexNo);
    QVariantList mouseGetKeydefine(QVariant mouseMode, QVariant index, bool isRecovery);
    QStringList getButtonLabels();
    QVariantList getKeyCodes();
    QStringList getKeyNames();
    void mouseSetDpi(int dpiCount, QString sensorType, QVariantList dpiValueArray,
                     QVariantList dpiEnableArray);
    void mouseSetCurrentDPI(uchar currentDPI);
    QVariant mouseGetCurrentDPI();
    void mouseSetLedType(uchar effect, uchar brightness, uchar speed, uchar direction,
                         QVariantList rgbArray);
    void mouseSetRGBEffect(uchar effect, uchar option1, uchar option2);
    void mouseSetRGBColor(uchar type, QVariantList src24);
    void ui_10H_SetLED8StageColor(uchar type, QVariantList src24);
    QVariantList ui_90H_GetLED8StageColor(uchar type);
    bool chkIsLogoLedWork();
    void mouseSetProfile(uint profileNo);
    void mouseReadProfile(uint profileNo);
    QVariant mouseReadCurrentProfile();
    void mouseSetReportRate(uchar rate);
    void mouseSetLodValue(uchar rate, uchar en);
    void mouseSetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4);
    QVariantList GetKeyboardoption();
    void mouseSetCursorSpeed(uint cursorSpeed);
    void mouseSetDoubleClickSpeed(uint speed);
    void mouseSetVerticalScrollLines(uint lines);
    void mouseSaveGundata(QVariant index, QVariantList src6);
    void modifyGundata(QVariant modifyType, QVariantList src6);
    QVariantList getGunData(QVariant name);
    QStringList getGunDataKey();
    QVariant getXYSensitive(QVariant index);
    void setXYSensitive(QVariant index, QVariant xyData);
    QVariant getselectGun(QVariant index);
    void setSelectGun(QVariant index, QVariant xyData);
    void mouseSendGundata(int slot, QVariantList values);
    void setMacroSelectName(const QVariant &name1, const QVariant &name2, const QVariant &name3,
                            const QVariant &name4, const QVariant &name5);
    void setMacroLevel(const QVariant &level);
    bool createMacroIni(const QVariant &name, const QVariant &macroIndex,
                        const QVariant &macroLevel, const QVariant &macroType);
    bool saveMacroIni(const QVariant &macroLevel, const QVariant &name, const QStringList &macros,
                      const QVariant &repeat);
    QStringList loadMacroIni(const QVariant &macroLevel, const QVariant &name);
    QStringList loadMacroByName(const QString &name);
    QStringList getMacroNames();
    bool deleteMacroIni(const QVariant &macroLevel, const QVariant &macroType,
                        const QVariant &name);
    bool modifyMacroNameUpdateProfile(const QVariant &macroLevel, const QVariant &macroType,
                                      const QVariant &oldname, const QVariant &newname);
    void deleteMacroUpdateProfile(const QString &macroName);
    QStringList getNameList(int type);
    bool updataNameList(int type, const QVariantList &nameList);
    QStringList getMacroList_Att(int att);
    QStringList getMacroSubList_Att(int att, const QString &name);
    bool updataMacroList(int att, int macroLevel, const QString &currentName,
                         const QVariantList &nameList, const QVariantList &typeList,
                         const QVariantList &showImg, const QVariantList &txtMargin,
                         const QVariantList &level, const QVariantList &no0,
                         const QVariantList &no1, const QVariantList &no2, const QVariantList &no3,
                         const QVariantList &no4);
    void updataMacroList_delOld(const QString &macroLevel);
    QString loadMacroFile(int macroLevel, int selectType);
    void saveMacroFile(int macroLevel, const QString &macroName);
    QString loadMacroFile_batch();
    void loadMacroFile_sub_batch();
    QStringList getMacroFileName_batch(int macroLevel, int macroType);
    void searchMacroFile_sub_batch(const QString &currentName, int currentLevel, int deleteLevel);
    void getbatchPath();
    void saveMacroFile_batch(int macroLevel, const QVariantList &macroFileName,
                             const QVariantList &macroFileType);
    bool mouseSendMacroData(const QVariantList &macroData, const QVariant &macroIndex);
    QVariantList encodeMacro(const QStringList &steps, int repeat);
    int macroEncodedLength(const QStringList &steps);
    QStringList macroFolderEntries(int macroLevel, const QString &name);
    QString inputCaptureMode();
    bool isAutostart();
    bool setAutostart(bool enabled);
    // @@FORWARDERS END@@

signals:
    // Input to the view was switched off or on (the busy lock).
    void inputEnabledChanged(bool enabled);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    Hid_Thread *m_hid = nullptr;
    QWidget *m_container = nullptr;
    std::unique_ptr<SwitchableDialogs> m_dialogs;
    std::unique_ptr<Operations> m_ops;
    bool m_enabled = true;
};
