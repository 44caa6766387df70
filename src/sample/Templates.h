#pragma once

// The empty databases made by Access that every Access file of the sample starts from
// (data/templates/), built into the program so that an installed copy needs no data files.

#include <span>

namespace orrin::sample {

enum class AccessTemplate {
    Ace2010, // an .accdb of Access 2010: the Orrin database
    Jet4,    // an .mdb of Access 2003 (Jet 4): the Calvane database and the bonus database
};

// The bytes of the template, whole.
std::span<const unsigned char> accessTemplate(AccessTemplate which);

} // namespace orrin::sample
