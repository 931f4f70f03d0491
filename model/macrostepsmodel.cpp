#include "model/macrostepsmodel.h"

#include "macro/macroencoder.h"
#include "macro/macrolibrary.h"
#include "model/models.h"
#include "view/operations.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// A plain decimal number within 0..max; -1 otherwise.
int decimal(const QString &text, int max)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    const QString s = text.trimmed();
    if (!digits.match(s).hasMatch())
        return -1;
    bool ok = false;
    const qlonglong value = s.toLongLong(&ok);
    return ok && value <= max ? int(value) : -1;
}

} // namespace

MacroStepsModel::MacroStepsModel(Operations &ops, QObject *parent)
    : QAbstractListModel(parent), m_ops(ops)
{
}

MacroStepsModel *MacroStepsModel::create(QQmlEngine *, QJSEngine *)
{
    Models *models = Models::instance();
    return Models::expose(models ? models->macroSteps() : nullptr);
}

int MacroStepsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_steps.size());
}

QVariant MacroStepsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_steps.size())
        return {};
    const Step &s = m_steps.at(index.row());
    switch (role) {
    case TypeRole:
        return s.type;
    case Qt::DisplayRole:
    case InfoRole:
        return s.info;
    case IsDelayRole:
        return s.type == MacroEncoder::Delay;
    default:
        return {};
    }
}

QHash<int, QByteArray> MacroStepsModel::roleNames() const
{
    return {{TypeRole, "type"}, {InfoRole, "info"}, {IsDelayRole, "isDelay"}};
}

QVariantList MacroStepsModel::steps() const
{
    QVariantList out;
    for (const Step &s : m_steps)
        out.append(QVariantMap{{QStringLiteral("type"), s.type}, {QStringLiteral("info"), s.info}});
    return out;
}

QStringList MacroStepsModel::stringsOf(const QList<Step> &steps)
{
    QStringList out;
    for (const Step &s : steps)
        out.append(QString::number(s.type) + QLatin1Char(',') + s.info);
    return out;
}

QStringList MacroStepsModel::stepStrings() const
{
    return stringsOf(m_steps);
}

int MacroStepsModel::encodedLength() const
{
    // Nothing but the two repeat bytes.
    return m_steps.isEmpty() ? 2 : MacroEncoder::encodedLength(stepStrings());
}

bool MacroStepsModel::tooLong() const
{
    return encodedLength() > MacroEncoder::kBlockSize;
}

int MacroStepsModel::sentSteps() const
{
    return MacroEncoder::fit(stepStrings()).keptSteps;
}

bool MacroStepsModel::mayBecome(const QList<Step> &after) const
{
    return !isFull() && MacroEncoder::encodedLength(stringsOf(after)) <= MacroEncoder::kBlockSize;
}

void MacroStepsModel::replace(const QList<Step> &steps)
{
    beginResetModel();
    m_steps = steps;
    endResetModel();
    emit stepsChanged();
}

void MacroStepsModel::load(int level, const QString &name, int type)
{
    QList<Step> steps;
    int repeat = 1;
    MacroLibrary *library = m_ops.macros();
    if (type == 0 && library) {
        // Every element but the last is a step; the last is the repeat count.
        const QStringList stored = library->loadMacroIni(level, name);
        for (int i = 0; i + 1 < stored.size(); ++i)
            steps.append({stored.at(i).left(1).toInt(), stored.at(i).mid(2)});
        if (!stored.isEmpty())
            repeat = qMax(stored.last().toInt(), 0);
        if (repeat == 0)
            repeat = 1;
    }
    replace(steps);
    if (m_repeat != repeat) {
        m_repeat = repeat;
        emit repeatChanged();
    }
}

void MacroStepsModel::clear()
{
    replace({});
}

void MacroStepsModel::setStepStrings(const QStringList &steps)
{
    QList<Step> parsed;
    for (const QString &s : steps)
        parsed.append({s.left(1).toInt(), s.mid(2)});
    replace(parsed);
}

bool MacroStepsModel::save(int level, const QString &name) const
{
    MacroLibrary *library = m_ops.macros();
    return library && library->saveMacroIni(level, name, stepStrings(), m_repeat);
}

bool MacroStepsModel::removeStep(int at)
{
    if (at < 0 || at >= m_steps.size())
        return false;
    beginRemoveRows({}, at, at);
    m_steps.removeAt(at);
    endRemoveRows();
    emit stepsChanged();
    return true;
}

bool MacroStepsModel::insertDelay(int at)
{
    if (at < 0 || at >= m_steps.size())
        at = int(m_steps.size());
    QList<Step> after = m_steps;
    after.insert(at, {MacroEncoder::Delay, QStringLiteral("50")});
    if (!mayBecome(after))
        return false;
    beginInsertRows({}, at, at);
    m_steps = after;
    endInsertRows();
    emit stepsChanged();
    return true;
}

bool MacroStepsModel::insertPair(int current, const QString &name, bool button)
{
    if (name.isEmpty())
        return false;
    const bool last = current < 0 || current >= m_steps.size() - 1;
    const int at = last ? int(m_steps.size()) : current + (button ? 1 : 0);
    QList<Step> after = m_steps;
    after.insert(at, {button ? MacroEncoder::ButtonPress : MacroEncoder::KeyPress, name});
    after.insert(at + 1, {button ? MacroEncoder::ButtonRelease : MacroEncoder::KeyRelease, name});
    if (!mayBecome(after))
        return false;
    beginInsertRows({}, at, at + 1);
    m_steps = after;
    endInsertRows();
    emit stepsChanged();
    return true;
}

bool MacroStepsModel::setDelay(int index, const QString &text)
{
    if (index < 0 || index >= m_steps.size() || m_steps.at(index).type != MacroEncoder::Delay)
        return false;
    const int ms = decimal(text, kMaxDelay);
    if (ms < 0)
        return false;
    m_steps[index].info = QString::number(ms);
    emit dataChanged(this->index(index), this->index(index));
    emit stepsChanged();
    return true;
}

bool MacroStepsModel::setRepeat(const QString &text)
{
    const int repeat = decimal(text, kMaxRepeat);
    if (repeat < 1)
        return false;
    if (m_repeat != repeat) {
        m_repeat = repeat;
        emit repeatChanged();
    }
    return true;
}

bool MacroStepsModel::record(bool isDown, const QString &name, bool button, int pauseMs)
{
    if (name.isEmpty())
        return false;
    QList<Step> added;
    if (!m_steps.isEmpty() && pauseMs >= 0) {
        int ms = pauseMs;
        do {
            const int part = qMin(ms, kMaxDelay);
            added.append({MacroEncoder::Delay, QString::number(part)});
            ms -= part;
        } while (ms > 0);
    }
    const int type = isDown ? (button ? MacroEncoder::ButtonPress : MacroEncoder::KeyPress)
                            : (button ? MacroEncoder::ButtonRelease : MacroEncoder::KeyRelease);
    added.append({type, name});
    if (!mayBecome(m_steps + added)) {
        const int complete = MacroEncoder::completeSteps(stepStrings());
        if (complete < m_steps.size())
            replace(m_steps.mid(0, complete));
        return false;
    }
    const int first = int(m_steps.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    m_steps += added;
    endInsertRows();
    emit stepsChanged();
    return true;
}

bool MacroStepsModel::releaseHeld()
{
    // Pressed and not yet released, in the order of pressing.
    QList<Step> held;
    for (const Step &s : m_steps) {
        if (s.type == MacroEncoder::KeyPress || s.type == MacroEncoder::ButtonPress) {
            const bool already = std::any_of(held.cbegin(), held.cend(), [&s](const Step &h) {
                return h.type == s.type && h.info == s.info;
            });
            if (!already)
                held.append(s);
        } else if (s.type == MacroEncoder::KeyRelease || s.type == MacroEncoder::ButtonRelease) {
            const int pressType = s.type - 1;
            held.removeIf(
                [&s, pressType](const Step &h) { return h.type == pressType && h.info == s.info; });
        }
    }
    if (held.isEmpty())
        return true;
    QList<Step> after = m_steps;
    for (auto it = held.crbegin(); it != held.crend(); ++it)
        after.append({it->type + 1, it->info});
    if (MacroEncoder::encodedLength(stringsOf(after)) <= MacroEncoder::kBlockSize) {
        const int first = int(m_steps.size());
        beginInsertRows({}, first, int(after.size()) - 1);
        m_steps = after;
        endInsertRows();
        emit stepsChanged();
        return true;
    }
    replace(m_steps.mid(0, MacroEncoder::completeSteps(stepStrings())));
    return false;
}
