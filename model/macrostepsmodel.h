// The steps of the macro open in the editor: loaded from its file, changed
// by the step commands and by recording, and saved back whole. A step is a
// type (0 delay, 1/2 key press/release, 3/4 button press/release) and an
// info text (milliseconds, or the key's name from the key-name table).
#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class Operations;
class QQmlEngine;
class QJSEngine;

class MacroStepsModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The steps as {type, info} objects, in playing order.
    Q_PROPERTY(QVariantList steps READ steps NOTIFY stepsChanged)
    Q_PROPERTY(int repeat READ repeat NOTIFY repeatChanged)
    // Bytes the steps take in the mouse's macro block, all of them (also
    // beyond the block); no step is added once it reaches lengthLimit, nor
    // one that would take the macro past the block.
    Q_PROPERTY(int encodedLength READ encodedLength NOTIFY stepsChanged)
    Q_PROPERTY(int lengthLimit READ lengthLimit CONSTANT)
    // The steps do not fit the block: the mouse gets only the first
    // sentSteps of them (see MacroEncoder::fit), possibly none.
    Q_PROPERTY(bool tooLong READ tooLong NOTIFY stepsChanged)
    Q_PROPERTY(int sentSteps READ sentSteps NOTIFY stepsChanged)

public:
    enum Role { TypeRole = Qt::UserRole + 1, InfoRole, IsDelayRole };
    Q_ENUM(Role)

    static constexpr int kLengthLimit = 126;
    static constexpr int kMaxDelay = 65535;
    static constexpr int kMaxRepeat = 65535;

    explicit MacroStepsModel(Operations &ops, QObject *parent = nullptr);

    static MacroStepsModel *create(QQmlEngine *, QJSEngine *);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    QVariantList steps() const;
    int repeat() const { return m_repeat; }
    int encodedLength() const;
    int lengthLimit() const { return kLengthLimit; }
    bool isFull() const { return encodedLength() >= kLengthLimit; }
    bool tooLong() const;
    int sentSteps() const;
    // "type,info" per step, as the macro file stores them.
    Q_INVOKABLE QStringList stepStrings() const;

    // The steps of macro `name` at `level` (the library's selection path
    // set to its chain); none for a folder (type other than 0).
    Q_INVOKABLE void load(int level, const QString &name, int type);
    Q_INVOKABLE void clear();
    // Puts back steps as stepStrings() gave them.
    void setStepStrings(const QStringList &steps);
    // Writes the steps and the repeat count into the macro's file.
    Q_INVOKABLE bool save(int level, const QString &name) const;

    // The step commands; each returns whether it changed the steps, and the
    // inserting ones refuse once the macro is full.
    Q_INVOKABLE bool removeStep(int at);
    // A 50 ms delay before step `at` (appended for none).
    Q_INVOKABLE bool insertDelay(int at);
    // A press and a release of `name`: appended when `current` is the last
    // step or none; else a key goes before the current step, a mouse button
    // ("MS-L", "MS-M", "MS-R") after it.
    Q_INVOKABLE bool insertPair(int current, const QString &name, bool button);
    // A delay typed in place: 0..65535 ms; anything else changes nothing.
    Q_INVOKABLE bool setDelay(int index, const QString &text);
    // 1..65535; anything else keeps the count.
    Q_INVOKABLE bool setRepeat(const QString &text);
    // One captured event while recording: with pauseMs >= 0 and steps
    // already there, the pause goes first as delays of at most 65535 ms.
    // False for no name, and when the macro is full or the event would take
    // it past the block: nothing is added then, and the steps end after
    // their last complete release, so that no key or button is left held
    // when the mouse plays them. Recording stops there.
    Q_INVOKABLE bool record(bool isDown, const QString &name, bool button, int pauseMs);
    // The end of a recording: keys and buttons still held get their
    // releases, the last pressed first, so that playing the macro leaves
    // none held. When those would take the macro past the block, the steps
    // end after their last complete release instead (false then).
    bool releaseHeld();

signals:
    void stepsChanged();
    void repeatChanged();

private:
    struct Step {
        int type;
        QString info;
    };
    void replace(const QList<Step> &steps);
    static QStringList stringsOf(const QList<Step> &steps);
    // Whether steps may be added to give `after`: the macro is not full yet
    // and `after` still fits the block.
    bool mayBecome(const QList<Step> &after) const;

    Operations &m_ops;
    QList<Step> m_steps;
    int m_repeat = 1;
};
