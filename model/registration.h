// Registers the model layer's QML types (module Kesta.Model). A program that
// loads the scene calls it once before the engine imports the module; it also
// keeps the registration in a program that links the layer statically.
#pragma once

namespace KestaModel {
void registerTypes();
}
