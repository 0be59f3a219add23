#include "startup.h"

// The module "Velto" is linked as a static library without a plugin: naming its registration
// function keeps the linker from dropping it, so the URI is declared before main runs.
void qml_register_types_Velto();

int main(int argc, char *argv[])
{
    volatile auto keepModuleRegistration = &qml_register_types_Velto;
    Q_UNUSED(keepModuleRegistration);
    return runClient(argc, argv);
}
