// The settings files under the modules folder and the key/value interface
// that the scene reads and writes. Needs only QtCore.
#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class UserDialogs;

class SettingsStore : public QObject
{
    Q_OBJECT
public:
    // modulesDir is the folder that holds setting/, gun/, macro/, i18n/;
    // the program passes "./modules".
    explicit SettingsStore(const QString &modulesDir = QStringLiteral("./modules"),
                           UserDialogs *dialogs = nullptr, QObject *parent = nullptr);
    ~SettingsStore() override;

    QString modulesDir() const;
    QString modulePath(const QString &relative) const; // modulesDir + "/" + relative
    void setDialogs(UserDialogs *dialogs);
    UserDialogs *dialogs() const;

    // How the application's thread waits for a file being written: it is
    // given a flag that the writing thread sets (and then wakes the thread's
    // event dispatcher) and returns once it is set. With a waiter, files are
    // written on a thread of the store's own, one at a time and in order,
    // whenever the store is used on the application's thread; the callers
    // still get their answers when the write is over. Without one (the
    // default), files are written on the calling thread.
    using Waiter = std::function<void(const std::atomic<bool> &done)>;
    void setWaiter(Waiter waiter);

    // Capability flags, read once from the global file at construction.
    bool isColorful = false;
    bool isGun = false;
    QString icType;
    bool is55328 = false;

    // Handles. profile(i) is p<i+1>.bin; nullptr outside 0..9.
    QSettings *global() const;
    QSettings *defaults() const;
    QSettings *profile(int index) const;
    QSettings *currentProfile() const;
    int currentProfileIndex() const;

    // List convention: a one-item list is stored with "loaderquiver" after it.
    static QStringList padList(const QStringList &list);
    static QStringList dropPadding(const QStringList &list);
    // The item that pads a one-item list.
    static QString paddingItem();
    // Items as the texts a list is stored with.
    static QStringList toTextList(const QVariantList &items);

    // True when path holds an INI profile (the groups every profile has); a
    // file that fails this is never copied over a profile.
    static bool looksLikeProfile(const QString &path);

    // Within a batch, setData, setDataList and setGlobalData change the files
    // in memory only; commit() (or the end of the outermost batch) writes
    // each changed file once. An operation that changes many keys opens one
    // so that it writes its file once and can still report a failure.
    class WriteBatch
    {
    public:
        explicit WriteBatch(SettingsStore *store);
        ~WriteBatch();
        WriteBatch(const WriteBatch &) = delete;
        WriteBatch &operator=(const WriteBatch &) = delete;
        // False when a file could not be written (a debug line names it).
        bool commit();

    private:
        SettingsStore *m_store;
        bool m_open = true;
    };

public slots:
    QVariant getData(const QVariant &key, bool isRecovery);
    QVariantList getDataList(const QVariant &key, bool isRecovery);
    QVariant getGlobalData(const QVariant &key);
    void setData(const QVariant &key, const QVariant &data);
    void setDataList(const QVariant &key, const QVariantList &datalist);
    void setGlobalData(const QVariant &key, const QVariant &tmpdata);
    // setDataList on profile `profile` (p<profile+1>.bin), in use or not;
    // false when it is out of range or the write failed.
    bool setProfileDataList(int profile, const QString &key, const QVariantList &datalist);
    void setCurrentProfile(int profile);
    // False when the profile file (or the exported copy) was not written,
    // a cancelled dialog included, as loadProfile.
    bool resetProfile(int profile);
    bool loadProfile(int profile);
    bool saveProfile(int profile);
    void copyProfile(int destprofile, int srcprofile);
    void resetApconfig();

public:
    // loadProfile, telling why nothing was loaded.
    enum class Import { Loaded, Cancelled, NotAProfile, NotWritten };
    Import importProfile(int profile);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
