#pragma once

// Kilobytes the heap holds for live objects. Resident size would not do: under
// AddressSanitizer freed blocks sit in quarantine and the resident size climbs without a leak.
long liveHeapKb();
