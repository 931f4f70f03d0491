// The main page drawn under a display scale (QT_SCALE_FACTOR): scaled back to
// one device pixel per unit, it must look like the page drawn without one,
// the mouse picture included (present, in its place, not cut). The scale is
// read when the program starts, so each rendering runs in a child process of
// this test (`tst_scale --render <factor> <png>`), on a screen large enough to
// give the window its full design size at every factor.
#include "scenerig.h"

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QQuickItem>
#include <QTemporaryDir>

#include <cmath>

namespace {

const QSize kWindow(1280, 720);

// The child: the real program against the virtual mouse, its main page
// grabbed, the mouse picture's place (in window units) written beside it.
int render(const QString &png)
{
    SceneRig rig;
    if (!rig.start()) {
        qCritical("tst_scale: the program did not start against the virtual mouse");
        return 2;
    }
    rig.widget->resize(kWindow);
    if (!QTest::qWaitFor([&] { return rig.view()->size() == kWindow; }, 5000))
        return 3;
    SceneRig::call(rig.root(), "showTab", {0});
    auto *picture = qobject_cast<QQuickItem *>(rig.item(QStringLiteral("mousePicture")));
    if (!picture)
        return 4;
    QTest::qWait(400); // let the scene lay out and paint
    const QImage image = rig.view()->grabWindow();
    if (image.isNull() || !image.save(png))
        return 5;
    QFile place(png + QStringLiteral(".rect"));
    if (!place.open(QIODevice::WriteOnly))
        return 6;
    const QRectF r = picture->mapRectToScene(picture->boundingRect());
    place.write(QStringLiteral("%1 %2 %3 %4")
                    .arg(r.x())
                    .arg(r.y())
                    .arg(r.width())
                    .arg(r.height())
                    .toUtf8());
    return 0;
}

struct Rendering {
    QImage image; // one pixel per window unit
    QRect picture;
};

// What a pixel region holds, for comparing two renderings of it.
struct RegionStats {
    double mean = 0;  // mean difference per channel, 0..255
    int inked = 0;    // pixels that differ from the region's corner (the page behind)
    QPointF centroid; // where those pixels lie, on average
};

RegionStats compare(const QImage &a, const QImage &b, const QRect &region)
{
    RegionStats s;
    const QRgb ground = a.pixel(region.topLeft());
    double sum = 0;
    double cx = 0;
    double cy = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            const int away = std::abs(qRed(q) - qRed(ground)) +
                             std::abs(qGreen(q) - qGreen(ground)) +
                             std::abs(qBlue(q) - qBlue(ground));
            if (away > 24) {
                ++s.inked;
                cx += x;
                cy += y;
            }
        }
    }
    s.mean = sum / (4.0 * region.width() * region.height());
    if (s.inked > 0)
        s.centroid = QPointF(cx / s.inked, cy / s.inked);
    return s;
}

} // namespace

class TstScale : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void mainPageLooksTheSameAtEveryScale_data();
    void mainPageLooksTheSameAtEveryScale();

private:
    bool renderAt(const QString &factor, Rendering *out);

    QTemporaryDir m_dir;
    QString m_screenConfig;
    Rendering m_plain;
};

bool TstScale::renderAt(const QString &factor, Rendering *out)
{
    const QString png = m_dir.filePath(QStringLiteral("main-%1.png").arg(factor));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), factor);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=") + m_screenConfig);
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--render"), png});
    if (!child.waitForFinished(90000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        qWarning("tst_scale: the rendering at %s failed (exit code %d)", qPrintable(factor),
                 child.exitCode());
        return false;
    }
    QImage image(png);
    QFile place(png + QStringLiteral(".rect"));
    if (image.isNull() || !place.open(QIODevice::ReadOnly))
        return false;
    const QStringList r = QString::fromUtf8(place.readAll()).split(QLatin1Char(' '));
    if (r.size() != 4)
        return false;
    out->picture = QRectF(r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble())
                       .toAlignedRect()
                       .intersected(QRect(QPoint(), kWindow));
    out->image = image.scaled(kWindow, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32);
    return true;
}

void TstScale::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // 2560x1440 device pixels: at a scale of 2 still 1280x720 window units.
    m_screenConfig = m_dir.filePath(QStringLiteral("screen.json"));
    QFile config(m_screenConfig);
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(R"({"screens": [{"name": "big", "x": 0, "y": 0, "width": 2560,
                  "height": 1440, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    QVERIFY(renderAt(QStringLiteral("1"), &m_plain));
    QCOMPARE(m_plain.image.size(), kWindow);
    // The plain rendering itself shows the picture.
    const RegionStats self = compare(m_plain.image, m_plain.image, m_plain.picture);
    QVERIFY2(self.inked > m_plain.picture.width() * m_plain.picture.height() / 5,
             "the mouse picture is drawn");
}

void TstScale::mainPageLooksTheSameAtEveryScale_data()
{
    QTest::addColumn<QString>("factor");
    QTest::newRow("1.25") << QStringLiteral("1.25");
    QTest::newRow("1.5") << QStringLiteral("1.5");
    QTest::newRow("2") << QStringLiteral("2");
}

void TstScale::mainPageLooksTheSameAtEveryScale()
{
    QFETCH(QString, factor);
    Rendering scaled;
    QVERIFY(renderAt(factor, &scaled));
    QCOMPARE(scaled.picture, m_plain.picture); // the layout does not depend on the scale

    const RegionStats plain = compare(m_plain.image, m_plain.image, m_plain.picture);
    const RegionStats picture = compare(m_plain.image, scaled.image, m_plain.picture);
    // Present and whole: about as many pixels drawn as without a scale...
    QVERIFY2(std::abs(picture.inked - plain.inked) < plain.inked / 50,
             qPrintable(QStringLiteral("%1 pixels drawn, %2 without a scale")
                            .arg(picture.inked)
                            .arg(plain.inked)));
    // ...in the same place...
    const QPointF shift = picture.centroid - plain.centroid;
    QVERIFY2(std::hypot(shift.x(), shift.y()) < 1,
             qPrintable(QStringLiteral("shifted by %1, %2").arg(shift.x()).arg(shift.y())));
    // ...and alike, pixel for pixel, apart from smoothing at the edges.
    QVERIFY2(picture.mean < 3, qPrintable(QStringLiteral("differs by %1").arg(picture.mean)));
    // The rest of the page too (text is hinted differently at each size).
    const RegionStats page = compare(m_plain.image, scaled.image, QRect(QPoint(), kWindow));
    QVERIFY2(page.mean < 3, qPrintable(QStringLiteral("the page differs by %1").arg(page.mean)));
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--render") == 0) {
        QApplication app(argc, argv);
        return render(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TstScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scale.moc"
