#include "StoredAccount.h"

#include <algorithm>

int stringFieldNumber(QString AccountRecord::*member) {
    const auto fields = accountStringFields();
    return int(std::find(fields.begin(), fields.end(), member) - fields.begin());
}

const std::array<bool, 64> secretStringFields = [] {
    std::array<bool, 64> secret{};
    int n = 0;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String)
            secret[size_t(n++)] = f.secret;
    }
    return secret;
}();
