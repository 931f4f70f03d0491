// Per-application profiles: rules that map a window class (the class part
// of an X11 WM_CLASS, exact and case-sensitive) to one of the six profiles,
// and the profile to go back to when a window without a rule comes to the
// front. Stored in the global settings file, group appProfiles: the lists
// `classes` and `profiles` (same length, padded as every stored list) and
// `returnTo`. The profile manager, kesta-ctl's app-profile and the bus all
// work on the rules through this class.
#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>

class Operations;
class ProfileListModel;
class SettingsStore;
class QJSEngine;
class QQmlEngine;

class AppProfileModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The profile a window without a rule brings back; -1 when none is stored.
    Q_PROPERTY(int returnTo READ returnTo NOTIFY returnToChanged)
    // The classes of the open windows, for adding a rule (refreshWindowClasses).
    Q_PROPERTY(QStringList windowClasses READ windowClasses NOTIFY windowClassesChanged)
    // Whether the program can see which window is in front.
    Q_PROPERTY(Watch watch READ watch NOTIFY watchChanged)

public:
    enum Roles { WindowClassRole = Qt::UserRole + 1, ProfileRole, ProfileNameRole };
    Q_ENUM(Roles)
    // Watching: rules are followed. NoWindowManager: the X server has no
    // window manager that names the active window. NoX11: a Wayland session
    // (or no display at all). Unsupported: this system has no watcher.
    enum Watch { Watching, NoWindowManager, NoX11, Unsupported };
    Q_ENUM(Watch)
    enum class Outcome { Done, EmptyClass, NoSuchProfile, NoSuchRule, NotStored };

    struct Rule {
        QString windowClass;
        int profile = 0;
        bool operator==(const Rule &o) const
        {
            return windowClass == o.windowClass && profile == o.profile;
        }
    };

    // profiles: the profile list whose names the rules show (null: one of
    // its own, read when needed).
    explicit AppProfileModel(Operations &ops, ProfileListModel *profiles = nullptr,
                             QObject *parent = nullptr);
    ~AppProfileModel() override;
    static AppProfileModel *create(QQmlEngine *, QJSEngine *);

    // The rules in the stored lists: padding dropped, pairs beyond the
    // shorter list ignored, empty classes, profiles outside 0..5 and a class
    // named twice (after its first rule) skipped.
    static QList<Rule> parse(const QStringList &classes, const QStringList &profiles);
    static QList<Rule> storedRules(SettingsStore *store);
    static int storedReturnTo(SettingsStore *store);
    // A deleted profile takes its rules with it (and stops being the profile
    // to return to); false when the file could not be written.
    static bool forgetProfile(SettingsStore *store, int number);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_rules.size()); }
    const QList<Rule> &rules() const { return m_rules; }
    int returnTo() const;
    QStringList windowClasses() const { return m_windowClasses; }
    Watch watch() const { return m_watch; }
    void setWatch(Watch watch);
    // Where the classes of the open windows come from (the platform's watcher).
    void setWindowClassSource(std::function<QStringList()> source);

    // Reads the rules again from the global file.
    Q_INVOKABLE void reload();
    // The rule's profile for a window class; -1 when it has none.
    Q_INVOKABLE int profileFor(const QString &windowClass) const;
    // Whether any rule brings this profile (a delete takes those rules along).
    Q_INVOKABLE bool hasRulesFor(int profile) const;
    // Adds or replaces the rule of a class; the profile by its name or number.
    Outcome setRule(const QString &windowClass, const QString &profile);
    Q_INVOKABLE bool addRule(const QString &windowClass, int profile);
    Outcome removeRule(const QString &windowClass);
    Q_INVOKABLE bool removeAt(int row);
    // A switch the user made: the profile that windows without a rule bring back.
    bool setReturnTo(int profile);
    Q_INVOKABLE void refreshWindowClasses();

signals:
    void countChanged();
    void returnToChanged();
    void windowClassesChanged();
    void watchChanged();

private:
    ProfileListModel &profiles() const;
    bool store(const QList<Rule> &rules);
    void setRules(const QList<Rule> &rules);

    Operations &m_ops;
    ProfileListModel *m_profiles;
    mutable std::unique_ptr<ProfileListModel> m_ownProfiles;
    QList<Rule> m_rules;
    QStringList m_windowClasses;
    std::function<QStringList()> m_windowClassSource;
    Watch m_watch = Unsupported;
};
