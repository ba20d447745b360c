#pragma once

#include <memory>
#include <string>
#include <vector>

#include <p11-kit/pkcs11.h>
#include <p11-kit/uri.h>

#include "core/Outcome.h"

namespace vantrel {

struct TokenUriFree {
    void operator()(P11KitUri* uri) const { p11_kit_uri_free(uri); }
};

// A parsed pkcs11: URI (token, object, id, module-path...). A URI with a
// pin-value is refused.
class TokenUri {
public:
    static Outcome<TokenUri> Parse(const std::string& text);

    const std::string& text() const { return text_; }
    // The module-path attribute, empty when the URI has none.
    std::string modulePath() const;
    bool matchesModule(const CK_INFO& info) const;
    bool matchesToken(const CK_TOKEN_INFO& info) const;
    // Whether the URI names the object's id (id=).
    bool hasId() const;
    // The object's label and id, to be added to a search or a new key.
    std::vector<CK_ATTRIBUTE> objectAttributes() const;

private:
    std::string text_;
    std::unique_ptr<P11KitUri, TokenUriFree> uri_;
};

}  // namespace vantrel
