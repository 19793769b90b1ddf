#include "device/query_device_data.h"

#include "device/device_copy.h"
#include "device/device_data_reply.h"
#include "device/device_libraries.h"
#include "device/rapi_session.h"
#include "image/language_table.h"
#include "image/start_dir_image.h"
#include "base/text_compare.h"

#include <vector>

namespace orvo {

int QueryDeviceData(WizardState& state, DeviceServices& services) {
    std::optional<DeviceDataFields> fields;
    {
        RapiSessionScope session = RapiSessionScope::Init(services.remote);
        if (!session.IsOpen()) return 0;
        if (CopyFileToDevice(services, PathInFolder(state.StartDir, "GetDeviceData.dll"),
                             services.code_page.ToUtf16("\\Windows\\GetDeviceData.dll")) == 0) {
            return 0;
        }
        std::vector<std::uint8_t> reply;
        if (services.remote.CeRapiInvoke(u"GetDeviceData.dll", u"GetDeviceData", {}, reply) < 0) {
            return 0;
        }
        fields = ParseDeviceDataReply(reply, services.code_page);
        if (!fields) return 0;
    }

    DeviceIdentity& device = state.Device;
    device.Version = fields->Version;
    device.Lang = fields->Lang;
    state.SerialLink = fields->SerialLink;
    device.ModelID = fields->ModelID;
    device.RomTypeCode = fields->RomTypeCode;
    if (!EqualIgnoringCase(device.ModelID, kSupportedModel)) {
        services.ui.OpenPage(Page::InvalidModel);
        services.ui.RequestClose();
        return 0;
    }
    if (std::optional<std::string_view> language = LookUpLanguage(device.Lang)) {
        device.Language = *language;
        const std::optional<FolderImage> image = FirstImageInFolder(state.StartDir);
        state.ImageSizeKB = image ? static_cast<std::uint32_t>(image->size_bytes) >> 10 : 0;
    }
    device.FlashSizeMB = fields->FlashSizeMB;

    WriteReserveArea(state.StartDir, IdentityText(device), services);
    return 1;
}

}  // namespace orvo
