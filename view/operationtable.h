// The table behind Operations::call. Its rows and invokers are written at
// build time by view/gen_operations.py (operationtable.cpp in the build
// folder), one per operation and argument count; each invoker reads the
// arguments as the parameter types and calls the member function directly.
#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <cstddef>
#include <type_traits>
#include <utility>

class Operations;
class QObject;

struct OperationEntry {
    const char *name;
    const char *signature; // as moc writes it, e.g. "getData(QVariant,bool)"
    int parameterCount;
    // The object that carries the operation; null while it does not exist
    // (the device-bound ones before Operations::attachDevice).
    QObject *(*object)(const Operations &ops);
    // Called with exactly parameterCount arguments. False, with *error
    // explaining why, when an argument cannot be read as its parameter type.
    bool (*invoke)(const Operations &ops, const QVariantList &args, QVariant *result,
                   QString *error);
};

extern const OperationEntry kOperationTable[];
extern const std::size_t kOperationCount;

// Argument `index` of `args` as T. A QVariant parameter takes the argument
// as it is; any other type must be convertible.
template <typename T>
bool readArgument(const QVariantList &args, int index, const char *signature, T *out,
                  QString *error)
{
    if constexpr (std::is_same_v<T, QVariant>) {
        *out = args.at(index);
        return true;
    } else {
        const QMetaType type = QMetaType::fromType<T>();
        QVariant value = args.at(index);
        if (!value.canConvert(type) || !value.convert(type)) {
            if (error) {
                *error = QStringLiteral("argument %1 of %2 cannot be read as %3")
                             .arg(index + 1)
                             .arg(QString::fromLatin1(signature), QString::fromLatin1(type.name()));
            }
            return false;
        }
        *out = std::move(*static_cast<T *>(value.data()));
        return true;
    }
}

// A void operation leaves no result; a QVariant result is passed on as it is.
inline void setResult(QVariant *result)
{
    if (result)
        *result = QVariant();
}

template <typename T> void setResult(QVariant *result, T &&value)
{
    if (result) {
        if constexpr (std::is_same_v<std::decay_t<T>, QVariant>)
            *result = std::forward<T>(value);
        else
            *result = QVariant::fromValue(std::forward<T>(value));
    }
}
