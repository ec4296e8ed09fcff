#include "main_window/pelmora.h"
#include "main_window/application.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    Pelmora::instance().show();
    return app.exec();
}
