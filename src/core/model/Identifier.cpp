#include "core/model/Identifier.h"

#include <uuid/uuid.h>

namespace zuna {

std::string freshIdentifier() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_upper(uuid, text);
    return std::string(text, 36);
}

}  // namespace zuna
