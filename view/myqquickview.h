// The view that shows the scene and carries the operation set the scene
// calls on ui_View. The operations themselves live in QtCore-only classes
// (see Operations); their slots here come from ViewOperations, written at
// build time from those classes (view/gen_operations.py).
#pragma once

#include "view/viewoperations.h"

#include <QVariant>
#include <QVariantList>

#include <memory>
#include <optional>

class Hid_Thread;
class MouseDevice;
class Models;
class Operations;
class UserDialogs;
class SwitchableDialogs;
class QKeyEvent;
class QWidget;

class myQQuickView : public ViewOperations
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
    // The page models the scene shares with the flows (Kesta.Model).
    Models *models() const { return m_models.get(); }
    QWidget *container() const { return m_container; }
    void setContainer(QWidget *container) { m_container = container; }
    bool isInputEnabled() const { return m_enabled; }

    // The configured mouse (null until setHidThread).
    MouseDevice *device() const;

    // Calls a function of the scene's root item by name.
    bool callScene(const char *function, Qt::ConnectionType type,
                   const QVariantList &args = QVariantList());

    // Captured input (hook callbacks): queued scene calls. `time` is the
    // event's time stamp on the capture's clock (-1: none); `ownWindow` says
    // whether a click went to one of our windows (empty: not known, the
    // scene judges by our window's place on the screen).
    void detectKeyboard(bool isDown, uchar usage, qint64 time = -1);
    void detectMouse(bool isDown, uchar code, int x, int y,
                     std::optional<bool> ownWindow = std::nullopt, qint64 time = -1);

public slots:
    void clearHidBusy();
    void initUI();
    void runUI();
    void setBusy(int busyTime);
    void setCurrentDPI(int dpiValue);
    void setEnabled(bool enabled);
    void openUpdateExe();

signals:
    // Input to the view was switched off or on (the busy lock).
    void inputEnabledChanged(bool enabled);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    bool keepTabInside(QKeyEvent *event);
    bool popupAt(const QPointF &position) const;

    Hid_Thread *m_hid = nullptr;
    QWidget *m_container = nullptr;
    std::unique_ptr<SwitchableDialogs> m_dialogs;
    std::unique_ptr<Operations> m_ops;
    std::unique_ptr<Models> m_models; // after m_ops: the models work on them
    bool m_enabled = true;
};
