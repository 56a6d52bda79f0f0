#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vantrel"));
    window.setFixedSize(681, 520);
    window.show();
    return app.exec();
}
