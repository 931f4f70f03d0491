// The session: the mouse's traits, the profile and mode in use, and the
// flows that go over every page at once (first initialisation, mode switch,
// profile change, save all, reset all, and what a change in the macro
// library means for the buttons). The scene's root, its bars and overlays
// call these; each runs the pages' models in the order the flows require.
#pragma once

#include "model/interfacetexts.h"
#include "settings/settingsstore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>

class Models;
class PageModel;
class QJSEngine;
class QQmlEngine;

class SessionModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    // Traits of the attached mouse, from the global settings.
    Q_PROPERTY(bool isColorful READ isColorful NOTIFY traitsChanged)
    Q_PROPERTY(QString icType READ icType NOTIFY traitsChanged)
    Q_PROPERTY(bool is55328 READ is55328 NOTIFY traitsChanged)
    Q_PROPERTY(int keyCount READ keyCount NOTIFY traitsChanged)
    // Office (0) or game (1) mode; isGun follows the mode once it is applied.
    Q_PROPERTY(int mouseMode READ mouseMode NOTIFY mouseModeChanged)
    Q_PROPERTY(bool isGun READ isGun NOTIFY mouseModeChanged)
    // The profile in use (mouse/profileNo).
    Q_PROPERTY(int profileNo READ profileNo NOTIFY profileNoChanged)
    // True once the first initialisation has loaded every page: until then
    // the pages hold placeholders and no flow stores or sends anything.
    Q_PROPERTY(bool isPownOn READ isPownOn NOTIFY isPownOnChanged)
    // The node of a mouse that is present but that this user may not open
    // (the window then says how to fix that); empty otherwise.
    Q_PROPERTY(QString refusedNode READ refusedNode NOTIFY refusedNodeChanged)
    // True while a flow runs; the view takes no input meanwhile.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // One line about the last change made outside the window that replaced
    // unsaved edits, or about a profile that had to get its left click back;
    // empty when there is none to tell. Save tells its outcome here too.
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    // The pages (by the names reloadStored takes) that hold unsaved edits.
    Q_PROPERTY(QStringList unsavedPages READ unsavedPages NOTIFY unsavedPagesChanged)

public:
    explicit SessionModel(Models &models, QObject *parent = nullptr);
    static SessionModel *create(QQmlEngine *, QJSEngine *);

    bool isColorful() const { return m_isColorful; }
    QString icType() const { return m_icType; }
    bool is55328() const { return m_is55328; }
    int keyCount() const { return m_keyCount; }
    int mouseMode() const { return m_mouseMode; }
    bool isGun() const { return m_isGun; }
    int profileNo() const { return m_profileNo; }
    bool isPownOn() const { return m_isPownOn; }
    QString refusedNode() const { return m_refusedNode; }
    // Set by the view host after each presence check.
    void setRefusedNode(const QString &node);
    bool busy() const { return m_busy > 0; }
    QString notice() const { return m_notice; }
    QStringList unsavedPages() const;
    Q_INVOKABLE void clearNotice();

    // Loads the traits, the profile in use and every page without sending;
    // runs once (later calls do nothing).
    Q_INVOKABLE void firstInit();
    // A scene built anew initialises again: the next firstInit loads
    // everything once more.
    void forgetInit();
    // Office (0) or game (1): the key matrix switches its layer; `markDirty`
    // marks it unsaved when game mode is chosen by the user.
    Q_INVOKABLE void setMouseMode(int mode, bool markDirty);
    // Selects another profile and sends all of it. False when nothing
    // happened (the same profile, one out of range, not initialised, or the
    // global file could not store the choice), and when sendProfile failed;
    // the notice names the file that was not written. The notice of an
    // earlier flow is cleared, as reset all clears it.
    Q_INVOKABLE bool changeProfile(int number);
    // Loads every page from the profile in use, stores what the pages made
    // of it in one write of the profile file and then sends it to the mouse.
    // False when that write failed: nothing is sent, and the pages stay
    // marked unsaved so that Save stores and sends them later.
    Q_INVOKABLE bool sendProfile();
    // "Save" and "OK": each page with unsaved edits stores and, once its
    // values are in the file, sends. A page whose file could not be written
    // sends nothing and keeps its edits; one the mouse did not take stays
    // marked as well. The notice tells the outcome; false when a page was
    // not saved to the mouse.
    Q_INVOKABLE bool saveAll();
    // "Reset": the profile's defaults over the profile in use, sent whole.
    // When the profile file cannot take them nothing is sent, and every page
    // shows the defaults, marked so that Save stores and sends them.
    Q_INVOKABLE void resetAll();

    // The macro library changed: buttons bound to a deleted macro get their
    // saved assignment back; bindings follow a renamed macro; bound slots
    // get a macro whose steps changed again.
    Q_INVOKABLE void macroDeleted(const QString &name);
    Q_INVOKABLE void macroRenamed(const QVariant &level, const QVariant &type,
                                  const QString &oldName, const QString &newName);
    Q_INVOKABLE void macroDataChanged(const QString &name);

    // The settings were changed outside the window (the bus): the named
    // pages ("dpi", "reportRate", "lod", "light", "system", "keyMatrix",
    // "macros"; "all" for a profile change, which also reads the profile
    // in use and its mode again) load the stored values without sending.
    // The stored value wins over unsaved edits, and the notice says so.
    void reloadStored(const QStringList &pages);

    // The pages whose edits Save stores, in the order it stores them.
    QList<PageModel *> pageModels() const;

signals:
    void traitsChanged();
    void mouseModeChanged();
    void profileNoChanged();
    void isPownOnChanged();
    void refusedNodeChanged();
    void busyChanged();
    void noticeChanged();
    void unsavedPagesChanged();
    // A mode was applied (the root's clickOfficeMode/clickGameMode).
    void modeApplied(int mode);
    // The pages' drop-down lists are to be filled again.
    void dropDownListsReset();

private:
    class BusyScope;
    void applyMode(int mode);
    void setProfileNo(int number);
    void setNotice(const QString &line);
    // The left-click guard on profile `number` before it is used; the
    // notice tells when it acted. True when button 1 was given back.
    bool guardLeftClick(int number);

    // A page as the flows go over it: its name for reloadStored, how the
    // notice names it, how it loads (without sending), how it stores its
    // values (false when the file could not be written) and sends them.
    struct Page {
        const char *name;
        InterfaceTexts::Text caption;
        PageModel *model;
        std::function<void()> load;
        std::function<bool()> store;
        std::function<void()> send;
    };
    QList<Page> pages() const;
    // Every page's values into the profile file in the caller's write batch,
    // which it commits; when file (the profile's) could not be written the
    // pages stay marked unsaved, the notice names it and false is returned.
    // sendPages sends every page to the mouse, in the order the flows use.
    bool storePages(SettingsStore::WriteBatch &batch, const QString &file);
    void sendPages();
    bool stagesInRange() const;
    static QString notWrittenNotice(const QString &file);

    Models &m_models;
    bool m_isColorful = false;
    QString m_icType;
    bool m_is55328 = false;
    int m_keyCount = 0;
    int m_mouseMode = 0;
    bool m_isGun = false;
    int m_profileNo = 0;
    bool m_isPownOn = false;
    QString m_refusedNode;
    int m_busy = 0;
    QString m_notice;
};
