#include "comport/persistent.h"

namespace kestrova {

EAssignError::EAssignError(const std::string& sourceClass, const std::string& targetClass)
    : std::invalid_argument("Cannot copy a " + sourceClass + " into a " + targetClass) {}

}  // namespace kestrova
