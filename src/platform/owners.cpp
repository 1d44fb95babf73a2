#include "platform/owners.h"

namespace drill {

bool isStudentsFile(Owners& owners, std::intptr_t file, const NativePath& native) {
    const Owner owner = owners.ofFile(file, native);
    if (!owner || owners.isStudent(*owner)) return true;
    return owners.ofFolder(native) == owner;
}

}  // namespace drill
