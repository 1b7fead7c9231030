#include "device/PollingRotation.h"

namespace qv::device {

int PollingRotation::nextAddress(const VrkArray &vrk)
{
    // Two rounds at most: when no online address is left in this cycle, the
    // cycle completes and starts over, which finds either an offline address
    // or, with every address online, the first online one.
    for (int round = 0; round < 3; ++round) {
        ++Adresse;
        if (Adresse > VrkCount - 1) {
            Adresse = -1;
            ++InactiveAdresse;
            if (InactiveAdresse > VrkCount - 1)
                InactiveAdresse = 0;
            for (int k = 0; k < VrkCount; ++k) {
                const int index = (InactiveAdresse + k) % VrkCount;
                if (!vrk[std::size_t(index)].Online)
                    return index;
            }
            Adresse = 0;
        }
        for (int index = Adresse; index < VrkCount; ++index) {
            if (vrk[std::size_t(index)].Online) {
                Adresse = index;
                return index;
            }
        }
        Adresse = VrkCount - 1;
    }
    return 0; // not reached: some address is always either online or offline
}

} // namespace qv::device
