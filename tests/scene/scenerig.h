// The real program against the linked virtual mouse: a staged modules folder,
// the main window with its view host, operations and scene, connected and
// initialised. Tests drive the scene by object names and page names and check
// what reached the settings files and the wire.
#pragma once

#include "app/widget.h"
#include "model/languagemodel.h"
#include "model/models.h"
#include "model/sessionmodel.h"
#include "tools/virtual-mouse/virtual_mouse.h"
#include "view/myqquickview.h"

#include "../stagemodules.h"

#include <QFile>
#include <QJSValue>
#include <QMetaMethod>
#include <QQmlProperty>
#include <QQuickItem>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <memory>
#include <vector>

// One command as it crossed the wire: the plain frame (report ID first) and
// the data phase that followed it (report ID bytes removed).
struct SceneCommand {
    std::vector<uint8_t> frame;
    std::vector<uint8_t> data;
    uint8_t code() const { return frame.size() > 1 ? frame[1] : 0; }
    uint8_t param(int k) const { return size_t(k) < frame.size() ? frame[k] : 0; }
};

class SceneRig
{
public:
    // Values written into the staged files before the program starts:
    // "setting/apConfig.bin" -> {key: value}.
    using FileValues = QMap<QString, QVariantMap>;

    ~SceneRig() { stop(); }

    bool start(const FileValues &values = {}, kvm::Config config = kvm::defaultConfig())
    {
        if (!stage(values))
            return false;
        kvm::configure(config);
        widget = std::make_unique<Widget>();
        widget->showNormal();
        widget->checkDevice();
        if (!widget->isDeviceConnected())
            return false;
        // initUI is queued; the frame is built asynchronously.
        if (!QTest::qWaitFor([this] { return root() && root()->property("isPownOn").toBool(); },
                             20000))
            return false;
        if (!QTest::qWaitFor([this] { return !root()->property("busy").toBool(); }, 5000))
            return false;
        if (clearWireAfterStart)
            kvm::clearWireLog();
        return true;
    }

    // The program with the virtual mouse unplugged: the first check hides the
    // window, a tray double-click shows it again; returns once the frame is
    // built and the start-up lock has run out, with the wire log cleared.
    bool startWithoutMouse(const FileValues &values = {})
    {
        if (!stage(values))
            return false;
        kvm::configure(kvm::defaultConfig());
        kvm::unplug();
        widget = std::make_unique<Widget>();
        widget->showNormal();
        widget->checkDevice();
        if (widget->isDeviceConnected() || widget->isVisible())
            return false;
        widget->trayIconActivated(QSystemTrayIcon::DoubleClick);
        if (!QTest::qWaitFor([this] { return root()->property("startupDone").toBool(); }, 20000))
            return false;
        if (!QTest::qWaitFor([this] { return !root()->property("busy").toBool(); }, 5000))
            return false;
        kvm::clearWireLog();
        return widget->isVisible();
    }

    // The program with the virtual mouse listed but its nodes closed to this
    // user: the window stays up; returns once the frame is built.
    bool startRefused(const FileValues &values = {})
    {
        if (!stage(values))
            return false;
        kvm::configure(kvm::defaultConfig());
        kvm::Faults faults;
        faults.openDenied = true;
        kvm::setFaults(faults);
        widget = std::make_unique<Widget>();
        widget->showNormal();
        widget->checkDevice();
        if (widget->isDeviceConnected() || !widget->isVisible())
            return false;
        if (!QTest::qWaitFor([this] { return root()->property("startupDone").toBool(); }, 20000))
            return false;
        return QTest::qWaitFor([this] { return !root()->property("busy").toBool(); }, 5000);
    }

    // Whether start() forgets what the connect and the first initialisation sent.
    bool clearWireAfterStart = true;

    void stop()
    {
        if (!widget)
            return;
        widget.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(m_oldDir);
        m_dir.reset();
    }

    myQQuickView *view() const { return widget->view(); }
    QQuickItem *root() const { return widget ? widget->view()->rootObject() : nullptr; }

    // A page or overlay by the name the root's flows use ("keyMatrix", "dpi", ...).
    // A page whose state lives in a model is reached through that model.
    QObject *page(const QString &name) const
    {
        const QJSValue value = root()->property("pages").value<QJSValue>().property(name);
        if (QObject *page = value.toQObject())
            return page;
        if (QObject *model = value.toVariant().value<QObject *>()) // a model's singleton
            return model;
        return view()->models()->pageModel(name);
    }

    // What holds a page's state: its model where it has one
    // (Models::pageModel), else the page itself.
    QObject *pageState(const QString &name) const
    {
        if (QObject *model = view()->models()->pageModel(name))
            return model;
        return page(name);
    }

    // The flows over every page (save all, profile change, ...) and the
    // language the window speaks.
    QObject *session() const { return view()->models()->session(); }
    QObject *language() const { return view()->models()->language(); }

    // Any item of the scene by objectName.
    QObject *item(const QString &objectName) const
    {
        return root()->findChild<QObject *>(objectName);
    }

    // Calls a QML function (or a C++ method of a Qt Quick type) with up to
    // five arguments.
    static QVariant call(QObject *target, const char *function, const QVariantList &args = {})
    {
        QVariant r;
        bool ok = invokeTyped(target, function, args, &r); // a model's typed method
        if (!ok)
            ok = invoke(target, function, args, &r);
        if (!ok)
            ok = invoke(target, function, args, nullptr); // a method without a result
        if (!ok)
            qWarning("SceneRig: cannot call %s", function);
        if (r.userType() == qMetaTypeId<QJSValue>())
            r = r.value<QJSValue>().toVariant();
        return r;
    }

    // The text of a staged file ("setting/p1.bin").
    // An object of the scene by objectName. Repeater and view delegates are
    // children of their visual parent only, so the walk follows both trees.
    static QObject *findNamed(QObject *from, const QString &name)
    {
        if (!from)
            return nullptr;
        if (from->objectName() == name)
            return from;
        QList<QObject *> next = from->children();
        if (auto *item = qobject_cast<QQuickItem *>(from)) {
            for (QQuickItem *child : item->childItems()) {
                if (!next.contains(child))
                    next.append(child);
            }
        }
        for (QObject *child : next) {
            if (QObject *found = findNamed(child, name))
                return found;
        }
        return nullptr;
    }

    static QString fileText(const QString &relative)
    {
        QFile f(QStringLiteral("modules/") + relative);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll());
    }

    // A value as written in an INI file on disk ("group/key"), raw text, with
    // surrounding quotes removed; a null string when absent. Read from the
    // file itself: settings objects of this process share one cache.
    static QString iniValue(const QString &relative, const QString &key)
    {
        const QString group = key.section(QLatin1Char('/'), 0, 0);
        const QString name = key.section(QLatin1Char('/'), 1);
        QString current;
        const QStringList lines = fileText(relative).split(QLatin1Char('\n'));
        for (const QString &raw : lines) {
            const QString line = raw.trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                current = line.mid(1, line.size() - 2);
                continue;
            }
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq < 0 || current != group || line.left(eq).trimmed() != name)
                continue;
            QString value = line.mid(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
                value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            return value;
        }
        return QString();
    }

    // The current profile file ("setting/p<n+1>.bin").
    QString profileFile() const
    {
        return QStringLiteral("setting/p%1.bin").arg(root()->property("profileNo").toInt() + 1);
    }
    QString profileValue(const QString &key) const { return iniValue(profileFile(), key); }

    static std::vector<SceneCommand> wireCommands()
    {
        std::vector<SceneCommand> commands;
        for (const kvm::WireEntry &e : kvm::wireLog()) {
            if (e.iface != "command")
                continue;
            if (e.call == "send_feature") {
                commands.push_back({e.plain, {}});
            } else if ((e.call == "write" || e.call == "read") && !commands.empty() &&
                       e.result > 0) {
                const size_t skip = e.call == "write" ? 1 : 0; // output reports carry the ID
                commands.back().data.insert(commands.back().data.end(), e.bytes.begin() + skip,
                                            e.bytes.end());
            }
        }
        return commands;
    }

    static std::vector<int> wireCodes()
    {
        std::vector<int> codes;
        for (const SceneCommand &c : wireCommands())
            codes.push_back(c.code());
        return codes;
    }

    std::unique_ptr<Widget> widget;

private:
    bool stage(const FileValues &values)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid() || !stageModules(m_dir->path()))
            return false;
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        for (auto file = values.begin(); file != values.end(); ++file) {
            QSettings ini(QStringLiteral("modules/") + file.key(), QSettings::IniFormat);
            for (auto it = file.value().begin(); it != file.value().end(); ++it)
                ini.setValue(it.key(), it.value());
            ini.sync();
        }
        return true;
    }

    // A C++ method (a model's invokable) by name and argument count, its
    // arguments converted to the parameter types.
    static bool invokeTyped(QObject *target, const char *function, const QVariantList &args,
                            QVariant *result)
    {
        if (!target || args.size() > 5)
            return false;
        const QMetaObject *mo = target->metaObject();
        for (int i = mo->methodCount() - 1; i >= 0; --i) {
            const QMetaMethod m = mo->method(i);
            if (m.name() != function || m.parameterCount() != args.size())
                continue;
            QVariant a[5];
            QGenericArgument g[5];
            bool converted = true;
            for (int k = 0; k < args.size(); ++k) {
                a[k] = args.at(k);
                const QMetaType type = m.parameterMetaType(k);
                if (type == QMetaType::fromType<QVariant>()) {
                    g[k] = QGenericArgument("QVariant", &a[k]);
                    continue;
                }
                converted = converted && a[k].convert(type);
                g[k] = QGenericArgument(type.name(), a[k].constData());
            }
            if (!converted)
                continue;
            const QMetaType returnType = m.returnMetaType();
            QVariant r;
            QGenericReturnArgument ret;
            if (returnType.id() != QMetaType::Void) {
                r = returnType == QMetaType::fromType<QVariant>() ? QVariant()
                                                                  : QVariant(returnType);
                ret = returnType == QMetaType::fromType<QVariant>()
                          ? QGenericReturnArgument("QVariant", &r)
                          : QGenericReturnArgument(returnType.name(), r.data());
            }
            if (!m.invoke(target, Qt::DirectConnection, ret, g[0], g[1], g[2], g[3], g[4]))
                return false;
            if (result)
                *result = r;
            return true;
        }
        return false;
    }

    static bool invoke(QObject *target, const char *function, const QVariantList &args,
                       QVariant *result)
    {
        QVariant a[6];
        for (int i = 0; i < args.size() && i < 6; ++i)
            a[i] = args.at(i);
        QGenericArgument g[6];
        for (int i = 0; i < args.size() && i < 6; ++i)
            g[i] = Q_ARG(QVariant, a[i]);
        QGenericReturnArgument ret;
        if (result)
            ret = Q_RETURN_ARG(QVariant, *result);
        return QMetaObject::invokeMethod(target, function, Qt::DirectConnection, ret, g[0], g[1],
                                         g[2], g[3], g[4], g[5]);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
};
