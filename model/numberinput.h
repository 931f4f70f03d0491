// What a number field takes: a whole number typed as text, within its
// bounds, or nothing. The fields put their previous value back on nothing.
#pragma once

#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

class NumberInput : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit NumberInput(QObject *parent = nullptr) : QObject(parent) {}

    // The number `text` stands for (spaces around it ignored): one to
    // `digits` digits, with a leading minus when `allowMinus`, from `minimum`
    // to `maximum`. Null for anything else (empty, letters, too long, out of
    // range).
    Q_INVOKABLE static QVariant wholeNumber(const QString &text, int digits, bool allowMinus,
                                            int minimum, int maximum);
};
