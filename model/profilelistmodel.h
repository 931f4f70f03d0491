// The named profiles: up to six name-list entries, each the profile's name
// followed by its profile number as one last digit ("Office1"). The list the
// profile manager and the top bar show, and the rules for import, export,
// reset, rename and delete that the window and kesta-ctl share.
#pragma once

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

class Operations;
class QJSEngine;
class QQmlEngine;

class ProfileListModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int maxProfiles READ maxProfiles CONSTANT)
    // The names in list order, for a plain drop-down.
    Q_PROPERTY(QStringList names READ names NOTIFY namesChanged)
    // The profile number in use (mouse/profileNo); the scene keeps it current.
    Q_PROPERTY(int profileInUse READ profileInUse WRITE setProfileInUse NOTIFY profileInUseChanged)
    // The row of the profile in use; -1 when the list does not hold it.
    Q_PROPERTY(int rowInUse READ rowInUse NOTIFY rowInUseChanged)

public:
    enum Roles { NameRole = Qt::UserRole + 1, NumberRole, InUseRole };
    Q_ENUM(Roles)
    // Why an edit did not happen. NotImported: no file was chosen.
    enum Refusal {
        ListFull,
        EmptyName,
        NameTaken,
        InUse,
        NotStored,
        NotImported,
        NotAProfile,
        ProfileNotWritten
    };
    Q_ENUM(Refusal)

    static constexpr int kMaxProfiles = 6;

    struct Entry {
        QString name;
        int number = 0;
        bool operator==(const Entry &o) const { return name == o.name && number == o.number; }
    };

    explicit ProfileListModel(Operations &ops, QObject *parent = nullptr);
    static ProfileListModel *create(QQmlEngine *, QJSEngine *);

    // Stored entries as the list holds them: the padding dropped, entries
    // without a number digit skipped, at most six.
    static QList<Entry> parse(const QStringList &stored);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_entries.size()); }
    int maxProfiles() const { return kMaxProfiles; }
    int profileInUse() const { return m_profileInUse; }
    int rowInUse() const { return indexOfNumber(m_profileInUse); }
    void setProfileInUse(int number);
    const QList<Entry> &entries() const { return m_entries; }
    QStringList names() const;

    // Reads the list again from the name list file.
    Q_INVOKABLE void reload();
    Q_INVOKABLE int indexOfNumber(int number) const;
    Q_INVOKABLE int numberAt(int row) const;   // -1 outside the list
    Q_INVOKABLE QString nameAt(int row) const; // empty outside the list
    // A profile by its name or its number; -1 when none.
    Q_INVOKABLE int numberOf(const QString &word) const;
    // The profile a stored number (mouse/profileNo) stands for: one the
    // list holds (while the list is empty, 0..5); anything else is the
    // list's first profile (0 when the list is empty).
    int usableNumber(const QVariant &stored) const;
    // The stored profile in use as the window, kesta-ctl and the bus take it.
    static int storedInUse(Operations &ops);

    // The first free "profile_k" (k 0..11) and the lowest free number 0..5.
    QString freeName() const;
    int freeNumber() const;

    // Imports a .pf file (asked for through the user dialogs) as the lowest
    // free number under `name` (empty: the first free name). Returns the
    // new row, or -1 (refused tells why, importRefused says it). A profile
    // without a left click gets it back on button 1 (leftClickNotice tells).
    Q_INVOKABLE int importProfile(const QString &name = QString());
    // Why an import was refused, in the window's language or in English;
    // empty when there is nothing to tell (no file was chosen).
    static QString importRefusal(Refusal reason, bool inEnglish = false);
    // Writes a profile to a file asked for through the user dialogs.
    Q_INVOKABLE bool exportProfile(int row);
    // The profile defaults over one profile's file. The caller sends the
    // profile when it is the one in use.
    Q_INVOKABLE bool resetProfile(int row);
    Q_INVOKABLE bool renameProfile(int row, const QString &name);
    // The profile in use cannot be deleted; apply another one first. The
    // rules that chose it for an application go with it.
    Q_INVOKABLE bool deleteProfile(int row);

signals:
    void countChanged();
    void namesChanged();
    void profileInUseChanged();
    void rowInUseChanged();
    void refused(ProfileListModel::Refusal reason);
    // An imported or reset profile had no left click: the line to show, and
    // whether button 1's repair was stored.
    void leftClickNotice(const QString &line, bool stored);
    // An import was refused: the line to show, in the window's language.
    void importRefused(const QString &line);
    // A profile left the list (its number is free again).
    void profileDeleted(int number);

private:
    bool store(const QList<Entry> &entries);
    void setEntries(const QList<Entry> &entries);
    bool nameUsed(const QString &name) const;
    void guardLeftClick(int number, const QString &name);
    int refuseImport(Refusal reason);

    Operations &m_ops;
    QList<Entry> m_entries;
    int m_profileInUse = 0;
};
