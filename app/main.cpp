#include "app/CKelvaroApp.h"

int main(int argc, char** argv)
{
    ovento::CKelvaroApp app(argc, argv);
    return app.Run();
}
