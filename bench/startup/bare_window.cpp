// bench-bare-window: the reference for start-up time and memory. A widget
// window that hosts a Qt Quick view of nine Basic controls, drawn by the same
// software renderer, and nothing else: what any window of this kind costs.
// Prints "scene: first frame" once its first frame is on screen, as
// kesta-config does, and runs until it is killed.
#include <QApplication>
#include <QDebug>
#include <QQuickView>
#include <QWidget>

#include <memory>

int main(int argc, char **argv)
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1280, 720);
    auto *view = new QQuickView;
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setColor(Qt::transparent);
    auto first = std::make_shared<QMetaObject::Connection>();
    *first = QObject::connect(view, &QQuickWindow::frameSwapped, view, [first] {
        qDebug() << "scene: first frame";
        QObject::disconnect(*first);
    });
    view->setSource(QUrl(QStringLiteral("qrc:/Bare.qml")));
    QWidget *container = QWidget::createWindowContainer(view, &window);
    container->resize(window.size());
    window.show();
    return app.exec();
}
