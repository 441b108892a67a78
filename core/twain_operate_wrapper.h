// CTwainOperateWrapper: the TWAIN capabilities of the current source as typed properties, built on
// the generic capability steps of the root layer, the work-area item and frame accessors, and a
// device-kind probe. Every member returns false on failure with the failing step's error code, and
// getters leave their output untouched then.
#pragma once

#include "codecs/image_operator.h"

class CTwainOperateWrapper : public CImageOperator {
public:
    CTwainOperateWrapper() = default;
    ~CTwainOperateWrapper() override = default;

    BOOL GetXferCount(SHORT* v) { return GetShort(CAP_XFERCOUNT, v); }
    BOOL SetXferCount(SHORT v) { return SetValue(CAP_XFERCOUNT, v); }
    BOOL GetIfShowIndicator(BOOL* v) { return GetFlag(CAP_INDICATORS, v); }
    BOOL SetIfShowIndicator(LONG v) { return SetFlag(CAP_INDICATORS, v); }
    BOOL GetResolution(float* v) { return GetFloat(ICAP_XRESOLUTION, v); }
    BOOL SetResolution(float v);
    BOOL GetPageSize(SHORT* v) { return GetShort(ICAP_SUPPORTEDSIZES, v); }
    BOOL SetPageSize(SHORT v) { return SetValue(ICAP_SUPPORTEDSIZES, v); }
    BOOL FeedPage() { return SetValue(CAP_FEEDPAGE, 1.0); }
    BOOL RewindPage() { return SetValue(CAP_REWINDPAGE, 1.0); }
    BOOL GetIfUIControllable(BOOL* v) { return GetFlag(CAP_UICONTROLLABLE, v); }
    BOOL GetIfAutoScan(BOOL* v) { return GetFlag(CAP_AUTOSCAN, v); }
    BOOL SetIfAutoScan(LONG v) { return SetFlag(CAP_AUTOSCAN, v); }
    BOOL GetPixelFlavor(SHORT* v) { return GetShort(ICAP_PIXELFLAVOR, v); }
    BOOL SetPixelFlavor(SHORT v) { return SetValue(ICAP_PIXELFLAVOR, v); }
    BOOL GetUnit(SHORT* v) { return GetShort(ICAP_UNITS, v); }
    BOOL SetUnit(SHORT v) { return SetValue(ICAP_UNITS, v); }
    BOOL GetPixelType(SHORT* v) { return GetShort(ICAP_PIXELTYPE, v); }
    BOOL SetPixelType(SHORT v) { return SetValue(ICAP_PIXELTYPE, v); }
    BOOL GetBitDepth(SHORT* v) { return GetShort(ICAP_BITDEPTH, v); }
    BOOL SetBitDepth(SHORT v) { return SetValue(ICAP_BITDEPTH, v); }
    BOOL GetIfPaperDetectable(BOOL* v) { return GetFlag(CAP_PAPERDETECTABLE, v); }
    BOOL GetDuplex(LONG* v);
    // The scanner's counterparts of the camera members Contrast, Brightness and IfAutoBright
    // (core/camera_families.cpp routes those members here on a TWAIN source; the members
    // themselves are camera_member::GetContrast ... of core/camera_members_generated.h).
    BOOL GetContrast(float* v) { return GetFloat(ICAP_CONTRAST, v); }
    BOOL SetContrast(float v) { return SetValue(ICAP_CONTRAST, v); }
    BOOL GetScannerBrightness(float* v) { return GetFloat(ICAP_BRIGHTNESS, v); }
    BOOL SetScannerBrightness(float v) { return SetValue(ICAP_BRIGHTNESS, v); }
    BOOL GetIfFeederLoaded(BOOL* v) { return GetFlag(CAP_FEEDERLOADED, v); }
    BOOL GetIfFeederEnabled(BOOL* v) { return GetFlag(CAP_FEEDERENABLED, v); }
    BOOL SetIfFeederEnabled(LONG v) { return SetFlag(CAP_FEEDERENABLED, v); }
    BOOL GetIfDuplexEnabled(BOOL* v) { return GetFlag(CAP_DUPLEXENABLED, v); }
    BOOL SetIfDuplexEnabled(LONG v) { return SetFlag(CAP_DUPLEXENABLED, v); }
    BOOL GetIfAutoFeed(BOOL* v) { return GetFlag(CAP_AUTOFEED, v); }
    BOOL SetIfAutoFeed(LONG v) { return SetFlag(CAP_AUTOFEED, v); }
    BOOL GetScannerAutoBright(BOOL* v) { return GetFlag(ICAP_AUTOBRIGHT, v); }
    BOOL SetScannerAutoBright(LONG v) { return SetFlag(ICAP_AUTOBRIGHT, v); }
    BOOL GetIfAutomaticBorderDetection(BOOL* v) { return GenericBoolRead(ICAP_AUTOMATICBORDERDETECTION, v); }
    BOOL SetIfAutomaticBorderDetection(LONG v) { return GenericBoolWrite(ICAP_AUTOMATICBORDERDETECTION, TWON_ONEVALUE, v); }
    BOOL GetIfAutomaticDeskew(BOOL* v) { return GenericBoolRead(ICAP_AUTOMATICDESKEW, v); }
    BOOL SetIfAutomaticDeskew(LONG v) { return GenericBoolWrite(ICAP_AUTOMATICDESKEW, TWON_ONEVALUE, v); }
    BOOL GetIfDeviceOnline(BOOL* v) { return GenericBoolRead(CAP_DEVICEONLINE, v); }
    BOOL GetIfAutoDiscardBlankpages(BOOL* v);
    BOOL SetIfAutoDiscardBlankpages(LONG v);
    // 1 camera with preview, 2 flatbed, 3 to 6 feeder scanners by what they let the engine switch.
    LONG GetDeviceType();

    // The work area's numbers as members: each clears the error code.
    double CapMinValue() { return ReadClearingError(CapArea().rangeMin); }
    void SetCapMinValue(double v) { WriteClearingError(CapArea().rangeMin, v); }
    double CapMaxValue() { return ReadClearingError(CapArea().rangeMax); }
    void SetCapMaxValue(double v) { WriteClearingError(CapArea().rangeMax, v); }
    double CapStepSize() { return ReadClearingError(CapArea().rangeStep); }
    void SetCapStepSize(double v) { WriteClearingError(CapArea().rangeStep, v); }
    double CapCurrentValue() { return ReadClearingError(CapArea().rangeCurrent); }
    void SetCapCurrentValue(double v) { WriteClearingError(CapArea().rangeCurrent, v); }
    double CapValue() { return ReadClearingError(CapArea().oneValue); }
    void SetCapValue(double v) { WriteClearingError(CapArea().oneValue, v); }
    double CapDefaultValue() { return ReadClearingError(CapArea().rangeDefault); }

    // The last transfer's image information and layout as members: each clears the error code.
    float ImageXResolution() { return ReadClearingError(Fix32ToFloat(CurrentImageInfo().XResolution)); }
    float ImageYResolution() { return ReadClearingError(Fix32ToFloat(CurrentImageInfo().YResolution)); }
    float ImageLayoutFrameLeft() { return ReadClearingError(Fix32ToFloat(CurrentImageLayout().Frame.Left)); }
    float ImageLayoutFrameRight() { return ReadClearingError(Fix32ToFloat(CurrentImageLayout().Frame.Right)); }
    float ImageLayoutFrameTop() { return ReadClearingError(Fix32ToFloat(CurrentImageLayout().Frame.Top)); }
    float ImageLayoutFrameBottom() { return ReadClearingError(Fix32ToFloat(CurrentImageLayout().Frame.Bottom)); }
    LONG ImageWidth() { return ReadClearingError(static_cast<LONG>(CurrentImageInfo().ImageWidth)); }
    LONG ImageLength() { return ReadClearingError(static_cast<LONG>(CurrentImageInfo().ImageLength)); }
    SHORT ImageBitsPerPixel() { return ReadClearingError(static_cast<SHORT>(CurrentImageInfo().BitsPerPixel)); }
    SHORT ImagePixelType() { return ReadClearingError(static_cast<SHORT>(CurrentImageInfo().PixelType)); }
    LONG ImageLayoutDocumentNumber() { return ReadClearingError(static_cast<LONG>(CurrentImageLayout().DocumentNumber)); }
    LONG ImageLayoutPageNumber() { return ReadClearingError(static_cast<LONG>(CurrentImageLayout().PageNumber)); }
    LONG ImageLayoutFrameNumber() { return ReadClearingError(static_cast<LONG>(CurrentImageLayout().FrameNumber)); }

    // The work area's items and frames.
    BOOL GetCapItems(LONG index, double* value);
    BOOL SetCapItems(ULONG index, double value);
    BOOL CapSetFrame(SHORT index, float left, float top, float right, float bottom);
    BOOL CapGetFrameLeft(LONG index, float* v) { return CapGetFrameMember(index, 0, v); }
    BOOL CapGetFrameTop(LONG index, float* v) { return CapGetFrameMember(index, 1, v); }
    BOOL CapGetFrameRight(LONG index, float* v) { return CapGetFrameMember(index, 2, v); }
    BOOL CapGetFrameBottom(LONG index, float* v) { return CapGetFrameMember(index, 3, v); }
    // Text item index of the string table; outside 0 ... CapNumItems - 1 an empty text and -1033.
    BOOL GetCapItemsString(LONG index, const char** text);
    // Copies text into item index, cut to longest bytes (at most 255) at a character boundary;
    // outside 0 ... CapNumItems - 1: -1033.
    BOOL SetCapItemsString(LONG index, const char* text, size_t longest = kCapStringSize - 1);
    // Copies text into the one-value string, cut as above.
    void SetCapValueString(const char* text, size_t longest = kCapStringSize - 1);

private:
    // A field read or written as a member: the error code cleared.
    template <typename T>
    T ReadClearingError(T value) {
        SetErrorCode(0);
        return value;
    }
    void WriteClearingError(double& field, double v) {
        field = v;
        SetErrorCode(0);
    }
    bool ReadOneValue(TW_UINT16 cap, bool current, double* v);
    BOOL GetShort(TW_UINT16 cap, SHORT* v);
    BOOL GetFloat(TW_UINT16 cap, float* v);
    BOOL GetFlag(TW_UINT16 cap, BOOL* v);
    BOOL SetValue(TW_UINT16 cap, double v);
    BOOL SetFlag(TW_UINT16 cap, LONG v) { return SetValue(cap, v == 1 ? 1.0 : 0.0); }
    BOOL GenericBoolRead(TW_UINT16 cap, BOOL* v);
    BOOL GenericBoolWrite(TW_UINT16 cap, TW_UINT16 conType, LONG flag);
    BOOL CapGetFrameMember(LONG index, int member, float* v);
};
