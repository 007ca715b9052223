// Label and UUID straight from the file system's superblock, for systems without udev links
// (containers, minimal installs). Built only when libblkid is linked; otherwise the udev links and
// database are all there is, and a device without them has no label and a hashed serial.
#include "platform/volumeinfo.h"

#ifdef SHELVIX_HAVE_BLKID
#include <blkid.h>

DeviceProbe BlkidDeviceProbe() {
    return [](const std::string& deviceNode, std::string& label, std::string& uuid) {
        blkid_probe probe = blkid_new_probe_from_filename(deviceNode.c_str());
        if (!probe) return false; // usually no permission to read the device
        blkid_probe_enable_superblocks(probe, 1);
        blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
        bool found = false;
        if (blkid_do_safeprobe(probe) == 0) {
            const char* value = nullptr;
            if (blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 && value)
                label = value;
            value = nullptr;
            if (blkid_probe_lookup_value(probe, "UUID", &value, nullptr) == 0 && value)
                uuid = value;
            found = true;
        }
        blkid_free_probe(probe);
        return found;
    };
}

#else

DeviceProbe BlkidDeviceProbe() {
    return {};
}

#endif
