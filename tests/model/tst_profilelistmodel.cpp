// The profile list's rules without a window: how stored entries read, that
// an edit the name list file could not keep is not shown as done, and why an
// import was refused.
#include "device/hid_thread.h"
#include "model/feedbacktexts.h"
#include "model/profilelistmodel.h"
#include "settings/userdialogs.h"
#include "view/operations.h"

#include "../filesizelimit.h"
#include "../stagemodules.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

class TstProfileListModel : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void editsTheFileCouldNotKeepAreNotShown_data();
    void editsTheFileCouldNotKeepAreNotShown();
    void refusals();
    void importRefusalSaysWhy_data();
    void importRefusalSaysWhy();
};

void TstProfileListModel::parse_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("read"); // name:number, ...
    QTest::newRow("shipped") << QStringList{"Default0", "Office1"} << "Default:0,Office:1";
    QTest::newRow("padding dropped") << QStringList{"Default0", "loaderquiver"} << "Default:0";
    QTest::newRow("name ending in a digit") << QStringList{"Team71"} << "Team7:1";
    QTest::newRow("no digit skipped") << QStringList{"Default", "Game2"} << "Game:2";
    QTest::newRow("digit alone skipped") << QStringList{"3", "Game2"} << "Game:2";
    QTest::newRow("other scripts' digits skipped")
        << QStringList{QStringLiteral("Office\u0663"), "Game2"} << "Game:2";
    QTest::newRow("at most six") << QStringList{"a0", "b1", "c2", "d3", "e4", "f5", "g6"}
                                 << "a:0,b:1,c:2,d:3,e:4,f:5";
}

void TstProfileListModel::parse()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, read);
    QStringList out;
    for (const auto &e : ProfileListModel::parse(stored))
        out << e.name + QLatin1Char(':') + QString::number(e.number);
    QCOMPARE(out.join(QLatin1Char(',')), read);
}

namespace {
struct Library {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    Hid_Thread hid; // never admitted: the list needs no mouse
    std::unique_ptr<Operations> ops;
    std::unique_ptr<ProfileListModel> model;

    bool open()
    {
        if (!stageModules(dir.path()))
            return false;
        ops = std::make_unique<Operations>(dir.path() + QStringLiteral("/modules"), &dialogs);
        ops->attachDevice(&hid);
        model = std::make_unique<ProfileListModel>(*ops);
        model->reload();
        return model->count() == 6;
    }
    QString nameFile() const { return dir.path() + QStringLiteral("/modules/setting/name.bin"); }
    QString stored() const
    {
        return QSettings(nameFile(), QSettings::IniFormat)
            .value(QStringLiteral("profile/profileName"))
            .toStringList()
            .join(QLatin1Char(','));
    }
    QString shown() const
    {
        QStringList out;
        for (const auto &e : model->entries())
            out << e.name + QString::number(e.number);
        return out.join(QLatin1Char(','));
    }
};
} // namespace

void TstProfileListModel::editsTheFileCouldNotKeepAreNotShown_data()
{
    QTest::addColumn<QString>("edit");
    QTest::newRow("rename") << "rename";
    QTest::newRow("delete") << "delete";
}

void TstProfileListModel::editsTheFileCouldNotKeepAreNotShown()
{
    QFETCH(QString, edit);
    Library lib;
    QVERIFY(lib.open());
    const QString before = lib.stored();
    QCOMPARE(lib.shown(), before);
    QSignalSpy refused(lib.model.get(), &ProfileListModel::refused);
    bool done = true;
    {
        // No file may grow past a few bytes: the name list cannot be rewritten.
        FileSizeLimit full(16);
        QVERIFY(full.active());
        done = edit == QLatin1String("rename")
                   ? lib.model->renameProfile(2, QStringLiteral("A much longer profile name"))
                   : lib.model->deleteProfile(3);
    }
    QVERIFY(!done);
    QCOMPARE(lib.stored(), before);
    QCOMPARE(lib.shown(), before);
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused.first().first().value<ProfileListModel::Refusal>(),
             ProfileListModel::NotStored);
}

void TstProfileListModel::refusals()
{
    Library lib;
    QVERIFY(lib.open());
    QSignalSpy refused(lib.model.get(), &ProfileListModel::refused);
    const QString before = lib.stored();
    QCOMPARE(lib.model->importProfile(), -1); // six already
    QVERIFY(!lib.model->renameProfile(1, QStringLiteral("   ")));
    lib.model->setProfileInUse(4);
    QCOMPARE(lib.model->rowInUse(), 4);
    QVERIFY(!lib.model->deleteProfile(4));
    QCOMPARE(lib.stored(), before);
    QVERIFY(lib.dialogs.asked.isEmpty()); // no file was asked for
    QList<ProfileListModel::Refusal> reasons;
    for (const auto &args : refused)
        reasons << args.first().value<ProfileListModel::Refusal>();
    QCOMPARE(reasons, (QList<ProfileListModel::Refusal>{ProfileListModel::ListFull,
                                                        ProfileListModel::EmptyName,
                                                        ProfileListModel::InUse}));
    // By name or by number, as kesta-ctl takes it.
    QCOMPARE(lib.model->numberOf(QStringLiteral("Shooter")), 3);
    QCOMPARE(lib.model->numberOf(QStringLiteral("5")), 5);
    QCOMPARE(lib.model->numberOf(QStringLiteral("7")), -1);
}

void TstProfileListModel::importRefusalSaysWhy_data()
{
    QTest::addColumn<bool>("room");           // a profile is deleted first
    QTest::addColumn<QString>("name");        // empty: the first free name
    QTest::addColumn<QString>("file");        // answers the file dialog: $DIR/..., or empty
    QTest::addColumn<QByteArray>("contents"); // written to `file` first, unless null
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<ProfileListModel::Refusal>("refusal");
    QTest::addColumn<int>("reason"); // FeedbackTexts::Text; -1: nothing to tell

    using FeedbackTexts::Text;
    const QString free;
    QTest::newRow("six profiles already") << false << free << QString() << QByteArray() << false
                                          << ProfileListModel::ListFull << int(Text::ListFull);
    QTest::newRow("a name already listed") << true << "Office" << QString() << QByteArray() << false
                                           << ProfileListModel::NameTaken << int(Text::NameTaken);
    QTest::newRow("no file chosen") << true << free << QString() << QByteArray() << false
                                    << ProfileListModel::NotImported << -1;
    QTest::newRow("a file that is not there")
        << true << free << "$DIR/gone.pf" << QByteArray() << false << ProfileListModel::NotAProfile
        << int(Text::NotAProfile);
    QTest::newRow("an empty file") << true << free << "$DIR/empty.pf" << QByteArray("") << false
                                   << ProfileListModel::NotAProfile << int(Text::NotAProfile);
    QTest::newRow("an INI file without the profile's groups")
        << true << free << "$DIR/other.pf" << QByteArray("[profile]\nprofileName=a0\n") << false
        << ProfileListModel::NotAProfile << int(Text::NotAProfile);
    QTest::newRow("a profile with no room for its file")
        << true << free << "$DIR/p.pf" << QByteArray("$PROFILE") << true
        << ProfileListModel::ProfileNotWritten << int(Text::ProfileNotWritten);
}

void TstProfileListModel::importRefusalSaysWhy()
{
    QFETCH(bool, room);
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(bool, diskFull);
    QFETCH(ProfileListModel::Refusal, refusal);
    QFETCH(int, reason);

    Library lib;
    QVERIFY(lib.open());
    if (room)
        QVERIFY(lib.model->deleteProfile(2)); // frees number 2: p3.bin
    const QString target = lib.dir.path() + QStringLiteral("/modules/setting/p3.bin");
    file.replace(QLatin1String("$DIR"), lib.dir.path());
    if (!contents.isNull()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        if (contents == "$PROFILE") {
            QFile shipped(lib.dir.path() + QStringLiteral("/modules/setting/pD.bin"));
            QVERIFY(shipped.open(QIODevice::ReadOnly));
            contents = shipped.readAll().replace("dpiValueArray=500", "dpiValueArray=800");
        }
        out.write(contents);
    }
    QFile before(target);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray targetBefore = before.readAll();
    before.close();
    const QString listBefore = lib.stored();
    lib.dialogs.answers << file;
    QSignalSpy refused(lib.model.get(), &ProfileListModel::refused);
    QSignalSpy told(lib.model.get(), &ProfileListModel::importRefused);
    int row = 0;
    {
        std::optional<FileSizeLimit> full;
        if (diskFull) {
            full.emplace(16);
            QVERIFY(full->active());
        }
        row = lib.model->importProfile(name);
    }
    QCOMPARE(row, -1);
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused.first().first().value<ProfileListModel::Refusal>(), refusal);
    if (reason < 0) {
        QCOMPARE(told.size(), 0); // a cancelled dialog needs no word
    } else {
        QCOMPARE(told.size(), 1);
        const QString why = FeedbackTexts::english(FeedbackTexts::Text(reason));
        QCOMPARE(told.first().first().toString(),
                 FeedbackTexts::english(FeedbackTexts::NotImported).arg(why));
        QCOMPARE(ProfileListModel::importRefusal(refusal, true), why);
    }
    // Nothing was listed, and the free profile file kept what it had.
    QCOMPARE(lib.stored(), listBefore);
    QFile after(target);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), targetBefore);
}

QTEST_GUILESS_MAIN(TstProfileListModel)
#include "tst_profilelistmodel.moc"
