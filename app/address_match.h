// Matching a FidoNet address against an address pattern of a rule.
#pragma once

#include "app/address_pattern.h"
#include "msgbase/fido/fido_address.h"

namespace kestrel {

// True when every part of the address (zone, net, node, point), written in
// decimal ("-" before negative values), matches the pattern part of the same
// name with WildMatch. An empty pattern part matches nothing, since the
// decimal text of a part is never empty.
bool MatchAddressPattern(const AddressPattern& pattern, const FidoAddress& address);

}  // namespace kestrel
