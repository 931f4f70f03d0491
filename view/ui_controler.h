// Builds the window's contents and offers the scene the window operations
// (ui_Ctl): minimise, maximise/restore, hide, drag-move, drag-resize, busy lock.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class myQQuickView;

class Ui_Controler : public QObject
{
    Q_OBJECT
public:
    explicit Ui_Controler(QObject *parent = nullptr);
    ~Ui_Controler() override;

    // loadScene false: the window and its view without the scene; loadScene()
    // builds it later (a window started to the tray builds it when first shown).
    void setupUi(QWidget *widget, const QString &modulesDir = QStringLiteral("./modules"),
                 bool loadScene = true);
    // Builds the scene unless it exists; true when it was built now.
    bool loadScene();
    myQQuickView *view() const { return m_view; }
    bool isMaximised() const { return isMax; }

public slots:
    void onMinimize();
    void onMaxRestore();
    void onHide();
    void onClose();
    void onXChanged(int dx);
    void onYChanged(int dy);
    void setBusy(int busyTime);
    void setBusy();
    void test(int dx, int dy);

private:
    // Tells the scene the size it is shown at.
    void sceneFollowsView();

    QPointer<QWidget> m_widget;
    myQQuickView *m_view = nullptr; // owned by the window as a child window
    bool isMax = false;
};
