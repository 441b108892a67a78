// WebCamDicMediaType: the names of the video media subtypes a camera may offer.
#pragma once

class WebCamDicMediaType {
public:
    WebCamDicMediaType() = default;
};
