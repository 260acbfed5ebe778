// The start-up steps of the numerical foundation, in dependency order.
#pragma once

namespace Titrelle {

// Math status and constants, special functions, then the random generator
// seeded with 1802 and 9373. Runs before any numerical call.
void StartUpNumericFoundation();

}  // namespace Titrelle
