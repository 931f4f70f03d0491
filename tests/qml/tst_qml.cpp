// Stand-ins for ui_View, ui_Ctl and hid: they answer the scene's reads from a
// table the test fills and record every call.
#include <QQmlContext>
#include <QQmlEngine>
#include <QUrl>
#include <QVariantMap>
#include <QtQuickTest>

class Recorder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantList calls READ calls NOTIFY callsChanged)
public:
    QVariantList calls() const { return m_calls; }
    // Answers by operation name and first argument ("getGlobalData:mouse/icType").
    Q_INVOKABLE void answer(const QString &key, const QVariant &value) { m_answers[key] = value; }
    Q_INVOKABLE void reset()
    {
        m_calls.clear();
        m_answers.clear();
        emit callsChanged();
    }
    Q_INVOKABLE int count(const QString &name) const
    {
        int n = 0;
        for (const QVariant &call : m_calls)
            n += call.toList().value(0).toString() == name;
        return n;
    }

signals:
    void callsChanged();

protected:
    QVariant record(const QString &name, const QVariantList &args = {})
    {
        m_calls.append(QVariant(QVariantList{name, args}));
        emit callsChanged();
        const QString key =
            args.isEmpty() ? name : name + QLatin1Char(':') + args.first().toString();
        return m_answers.value(key, m_answers.value(name));
    }

private:
    QVariantList m_calls;
    QVariantMap m_answers;
};

class FakeView : public Recorder
{
    Q_OBJECT
public slots:
    void setEnabled(bool enabled) { record(QStringLiteral("setEnabled"), {enabled}); }
    QVariant getGlobalData(const QVariant &key)
    {
        return record(QStringLiteral("getGlobalData"), {key});
    }
    QVariant getData(const QVariant &key, bool isRecovery)
    {
        return record(QStringLiteral("getData"), {key, isRecovery});
    }
    QStringList getLangStrings(const QString &section, const QString &language)
    {
        return record(QStringLiteral("getLangStrings"), {section, language}).toStringList();
    }
    QVariant mouseReadCurrentProfile() { return record(QStringLiteral("mouseReadCurrentProfile")); }
    QVariant mouseGetCurrentDPI() { return record(QStringLiteral("mouseGetCurrentDPI")); }
    void setCurrentProfile(int profile) { record(QStringLiteral("setCurrentProfile"), {profile}); }
};

class FakeController : public Recorder
{
    Q_OBJECT
public slots:
    void onXChanged(int dx) { record(QStringLiteral("onXChanged"), {dx}); }
    void onYChanged(int dy) { record(QStringLiteral("onYChanged"), {dy}); }
    void onMinimize() { record(QStringLiteral("onMinimize")); }
    void onMaxRestore() { record(QStringLiteral("onMaxRestore")); }
    void onHide() { record(QStringLiteral("onHide")); }
};

class FakeHid : public Recorder
{
    Q_OBJECT
public slots:
    void hid560_02H_SetCurrentProfile(int profile)
    {
        record(QStringLiteral("hid560_02H_SetCurrentProfile"), {profile});
    }
};

class Setup : public QObject
{
    Q_OBJECT
public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("ui_View"), &m_view);
        context->setContextProperty(QStringLiteral("ui_Ctl"), &m_ctl);
        context->setContextProperty(QStringLiteral("hid"), &m_hid);
        context->setContextProperty(QStringLiteral("sceneUrl"),
                                    QUrl::fromLocalFile(qEnvironmentVariable("KESTA_SOURCE_DIR") +
                                                        QStringLiteral("/modules/qml/main.qml")));
    }

private:
    FakeView m_view;
    FakeController m_ctl;
    FakeHid m_hid;
};

QUICK_TEST_MAIN_WITH_SETUP(scene, Setup)
#include "tst_qml.moc"
