#include "capture/webcam/media_type_dictionary.h"

#include <algorithm>
#include <cstring>

namespace {

struct KnownSubtype {
    const char* name;
    const GUID* subtype;
};

// Entry 1 onwards, in dictionary order: each subtype under the name of its MEDIASUBTYPE_ constant.
const KnownSubtype kKnownSubtypes[] = {
    {"MJPG", &MEDIASUBTYPE_MJPG},
    {"YUY2", &MEDIASUBTYPE_YUY2},
    {"RGB24", &MEDIASUBTYPE_RGB24},
    {"YUYV", &MEDIASUBTYPE_YUYV},
    {"IYUV", &MEDIASUBTYPE_IYUV},
    {"YVU9", &MEDIASUBTYPE_YVU9},
    {"Y411", &MEDIASUBTYPE_Y411},
    {"Y41P", &MEDIASUBTYPE_Y41P},
    {"YVYU", &MEDIASUBTYPE_YVYU},
    {"UYVY", &MEDIASUBTYPE_UYVY},
    {"Y211", &MEDIASUBTYPE_Y211},
    {"CLJR", &MEDIASUBTYPE_CLJR},
    {"IF09", &MEDIASUBTYPE_IF09},
    {"CPLA", &MEDIASUBTYPE_CPLA},
    {"TVMJ", &MEDIASUBTYPE_TVMJ},
    {"WAKE", &MEDIASUBTYPE_WAKE},
    {"CFCC", &MEDIASUBTYPE_CFCC},
    {"IJPG", &MEDIASUBTYPE_IJPG},
    {"Plum", &MEDIASUBTYPE_Plum},
    {"DVCS", &MEDIASUBTYPE_DVCS},
    {"DVSD", &MEDIASUBTYPE_DVSD},
    {"MDVF", &MEDIASUBTYPE_MDVF},
    {"RGB1", &MEDIASUBTYPE_RGB1},
    {"RGB4", &MEDIASUBTYPE_RGB4},
    {"RGB8", &MEDIASUBTYPE_RGB8},
    {"RGB565", &MEDIASUBTYPE_RGB565},
    {"RGB555", &MEDIASUBTYPE_RGB555},
    {"RGB32", &MEDIASUBTYPE_RGB32},
    {"ARGB1555", &MEDIASUBTYPE_ARGB1555},
    {"ARGB4444", &MEDIASUBTYPE_ARGB4444},
    {"ARGB32", &MEDIASUBTYPE_ARGB32},
    {"A2R10G10B10", &MEDIASUBTYPE_A2R10G10B10},
    {"A2B10G10R10", &MEDIASUBTYPE_A2B10G10R10},
    {"AYUV", &MEDIASUBTYPE_AYUV},
    {"AI44", &MEDIASUBTYPE_AI44},
    {"IA44", &MEDIASUBTYPE_IA44},
    {"RGB32_D3D_DX7_RT", &MEDIASUBTYPE_RGB32_D3D_DX7_RT},
    {"RGB16_D3D_DX7_RT", &MEDIASUBTYPE_RGB16_D3D_DX7_RT},
    {"ARGB32_D3D_DX7_RT", &MEDIASUBTYPE_ARGB32_D3D_DX7_RT},
    {"ARGB4444_D3D_DX7_RT", &MEDIASUBTYPE_ARGB4444_D3D_DX7_RT},
    {"ARGB1555_D3D_DX7_RT", &MEDIASUBTYPE_ARGB1555_D3D_DX7_RT},
    {"RGB32_D3D_DX9_RT", &MEDIASUBTYPE_RGB32_D3D_DX9_RT},
    {"RGB16_D3D_DX9_RT", &MEDIASUBTYPE_RGB16_D3D_DX9_RT},
    {"ARGB32_D3D_DX9_RT", &MEDIASUBTYPE_ARGB32_D3D_DX9_RT},
    {"ARGB4444_D3D_DX9_RT", &MEDIASUBTYPE_ARGB4444_D3D_DX9_RT},
    {"ARGB1555_D3D_DX9_RT", &MEDIASUBTYPE_ARGB1555_D3D_DX9_RT},
    {"YV12", &MEDIASUBTYPE_YV12},
    {"NV12", &MEDIASUBTYPE_NV12},
    {"IMC1", &MEDIASUBTYPE_IMC1},
    {"IMC2", &MEDIASUBTYPE_IMC2},
    {"IMC3", &MEDIASUBTYPE_IMC3},
    {"IMC4", &MEDIASUBTYPE_IMC4},
    {"S340", &MEDIASUBTYPE_S340},
    {"S342", &MEDIASUBTYPE_S342},
    {"Overlay", &MEDIASUBTYPE_Overlay},
    {"MPEG1Packet", &MEDIASUBTYPE_MPEG1Packet},
    {"MPEG1Payload", &MEDIASUBTYPE_MPEG1Payload},
    {"MPEG1AudioPayload", &MEDIASUBTYPE_MPEG1AudioPayload},
    {"MPEG1System", &MEDIASUBTYPE_MPEG1System},
    {"MPEG1VideoCD", &MEDIASUBTYPE_MPEG1VideoCD},
    {"MPEG1Video", &MEDIASUBTYPE_MPEG1Video},
    {"MPEG1Audio", &MEDIASUBTYPE_MPEG1Audio},
    {"Avi", &MEDIASUBTYPE_Avi},
    {"Asf", &MEDIASUBTYPE_Asf},
    {"QTMovie", &MEDIASUBTYPE_QTMovie},
    {"QTRpza", &MEDIASUBTYPE_QTRpza},
    {"QTSmc", &MEDIASUBTYPE_QTSmc},
    {"QTRle", &MEDIASUBTYPE_QTRle},
    {"QTJpeg", &MEDIASUBTYPE_QTJpeg},
    {"PCMAudio_Obsolete", &MEDIASUBTYPE_PCMAudio_Obsolete},
    {"PCM", &MEDIASUBTYPE_PCM},
    {"WAVE", &MEDIASUBTYPE_WAVE},
    {"AU", &MEDIASUBTYPE_AU},
    {"AIFF", &MEDIASUBTYPE_AIFF},
    {"dvsd", &MEDIASUBTYPE_dvsd},
    {"dvhd", &MEDIASUBTYPE_dvhd},
    {"dvsl", &MEDIASUBTYPE_dvsl},
    {"dv25", &MEDIASUBTYPE_dv25},
    {"dv50", &MEDIASUBTYPE_dv50},
    {"dvh1", &MEDIASUBTYPE_dvh1},
    {"Line21_BytePair", &MEDIASUBTYPE_Line21_BytePair},
    {"Line21_GOPPacket", &MEDIASUBTYPE_Line21_GOPPacket},
    {"Line21_VBIRawData", &MEDIASUBTYPE_Line21_VBIRawData},
    {"TELETEXT", &MEDIASUBTYPE_TELETEXT},
    {"WSS", &MEDIASUBTYPE_WSS},
    {"VPS", &MEDIASUBTYPE_VPS},
    {"DRM_Audio", &MEDIASUBTYPE_DRM_Audio},
    {"IEEE_FLOAT", &MEDIASUBTYPE_IEEE_FLOAT},
    {"DOLBY_AC3_SPDIF", &MEDIASUBTYPE_DOLBY_AC3_SPDIF},
    {"RAW_SPORT", &MEDIASUBTYPE_RAW_SPORT},
    {"SPDIF_TAG_241h", &MEDIASUBTYPE_SPDIF_TAG_241h},
    {"DssVideo", &MEDIASUBTYPE_DssVideo},
    {"DssAudio", &MEDIASUBTYPE_DssAudio},
    {"VPVideo", &MEDIASUBTYPE_VPVideo},
    {"VPVBI", &MEDIASUBTYPE_VPVBI},
    {"I420", &MEDIASUBTYPE_I420},
    {"CLPL", &MEDIASUBTYPE_CLPL},
};

}  // namespace

WebCamDicMediaType::WebCamDicMediaType() {
    Add("unknown", GUID_NULL);
    for (const auto& known : kKnownSubtypes) Add(known.name, *known.subtype);
}

WebCamDicMediaType::~WebCamDicMediaType() {
    if (m_block) {
        GlobalUnlock(m_block);
        GlobalFree(m_block);
    }
}

bool WebCamDicMediaType::Grow(int needed) {
    if (needed <= m_capacity) return true;
    int step = std::clamp(m_capacity / 8, 4, 1024);
    int capacity = std::max(needed, m_capacity + step);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(Entry) * static_cast<SIZE_T>(capacity));
    auto* entries = block ? static_cast<Entry*>(GlobalLock(block)) : nullptr;
    if (!entries) {
        if (block) GlobalFree(block);
        return false;
    }
    if (m_entries) memcpy(entries, m_entries, sizeof(Entry) * m_size);
    if (m_block) {
        GlobalUnlock(m_block);
        GlobalFree(m_block);
    }
    m_block = block;
    m_entries = entries;
    m_capacity = capacity;
    return true;
}

bool WebCamDicMediaType::Add(const char* name, const GUID& subtype) {
    if (!Grow(m_size + 1)) return false;
    Entry& entry = m_entries[m_size++];
    memset(&entry, 0, sizeof(entry));
    if (name) strncpy(entry.Name, name, sizeof(entry.Name) - 1);
    entry.Subtype = subtype;
    return true;
}

const char* WebCamDicMediaType::NameAt(int index) const {
    return index >= 0 && index < m_size ? m_entries[index].Name : nullptr;
}

const char* WebCamDicMediaType::NameOf(const GUID& subtype) const {
    for (int i = 1; i < m_size; ++i) {
        if (IsEqualGUID(m_entries[i].Subtype, subtype)) return m_entries[i].Name;
    }
    return m_size ? m_entries[0].Name : "unknown";
}
