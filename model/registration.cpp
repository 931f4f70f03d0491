#include "model/registration.h"

// Written by qmltyperegistrar for the Kesta.Model module.
void qml_register_types_Kesta_Model();

namespace KestaModel {

void registerTypes()
{
    qml_register_types_Kesta_Model();
}

} // namespace KestaModel
