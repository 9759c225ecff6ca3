// Placeholder: the window is built on its own branch.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    QWidget W;
    W.setWindowTitle("Quillon");
    W.show();
    return App.exec();
}
