#include "settingsstorelocation.h"

// The registry itself.
QString UserSettingsStoreLocation::storeFolder() const
{
    return {};
}
