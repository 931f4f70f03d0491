// The main window: a frameless, translucent window whose whole surface is the
// scene, the tray icon, the device check and the protocol object.
#pragma once

#include "device/hid_thread.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <functional>
#include <memory>

class Ui_Controler;
class myQQuickView;
class DeviceChangeNotifier;
class QAction;

class Widget : public QWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr);
    // modulesDir is the settings folder ("./modules" in the program unless
    // --modules-dir names another).
    explicit Widget(const QString &modulesDir, QWidget *parent = nullptr);
    ~Widget() override;

    myQQuickView *view() const;
    Hid_Thread *hidThread() { return &hid; }
    QSystemTrayIcon *trayIcon() const { return tray; }
    QTimer *deviceCheckTimer() { return &timer; }
    bool isDeviceConnected() const;

    // The rule of the device-change message: restart the check timer, but
    // only while no listener runs.
    void onDeviceChangeNotice();
    // The restore message (posted, then setVisible(true)).
    void postRestore();
    // The tray's "Open" and a double click on the icon: the window comes
    // back (restored only while the mouse is connected).
    void openFromTray();
    // The profile in use was changed from outside the window.
    void showProfileInUse(const QString &name);
    // The profile followed the window in front.
    void showProfileFollowed(const QString &name);
    // What exitSYS calls to end the program (QCoreApplication::exit); tests
    // put a probe here to see what has happened by then.
    void setQuitHandler(std::function<void(int)> quit) { m_quit = std::move(quit); }

signals:
    // Every tray bubble, as it is shown (tests and logs; Xvfb has no tray).
    void trayMessageShown(const QString &title, const QString &text, int msecs);

public slots:
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void checkDevice();
    void exitSYS();
    void receiveMessage(QString message);

protected:
    void customEvent(QEvent *event) override;
    QPaintEngine *paintEngine() const override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private:
    void disconnectSequence();
    void startView();
    void showTrayMessage(const QString &text);
    // The tray menu and tooltip in the window's language.
    void retranslateTray();
    void endRecording();
    // A text of the language files in the stored language.
    QString languageText(const QString &section, int index) const;

    QTimer timer;
    // Qt's own texts (the file dialogs' buttons and columns) in the
    // window's language.
    std::unique_ptr<QTranslator> m_qtTexts;
    Ui_Controler *controler = nullptr; // released with deleteLater
    Hid_Thread hid;
    QSystemTrayIcon *tray = nullptr;
    QAction *trayOpen = nullptr;
    QAction *trayQuit = nullptr;
    DeviceChangeNotifier *notifier = nullptr;
    bool m_connectedOnce = false;
    QString m_refusalTold; // the node the tray last named as not permitted
    std::function<void(int)> m_quit = [](int code) { QCoreApplication::exit(code); };
};
