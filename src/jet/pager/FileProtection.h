#pragma once

// Protection for a new file made from a template: a database password for Jet 3 and Jet 4, agile
// encryption for ACE, as Access sets them when a password is given.

#include "jet/pager/PageCodec.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

struct ProtectedStart {
    std::vector<std::uint8_t> firstPage; // the new first page, unmasked (as PageFile::page(0) gives it)
    std::unique_ptr<PageCodec> codec;    // turns each plain page n, the first included, into its stored form
};

// Protects a file whose plain (unmasked) first page is given with password. Jet 3 and Jet 4 get it
// as their stored password (the pages stay as they were: plain, or Jet-encoded if the template
// was); ACE gets a new agile encryption (a random database key, salts, secret key and verifier)
// and every page after the first is encrypted. An empty password leaves the file unprotected.
// Fails with Failure::Unsupported for a first page that is not an Access file's, an .accdb that is
// already encrypted, or a Jet password longer than 20 characters; file names it in messages.
ProtectedStart protectNewFile(std::span<const std::uint8_t> plainFirstPage, std::string_view password,
                              const std::string& file);

} // namespace orrin::jet
