// One device page for both hosts: the test camera found among the sources, its property families
// and formats read and changed, and a frame acquired, in the page host (LumettaCtrl) and in the
// browser harness (NPLumetta). Every result is a line "= what: value"; the two hosts' lines must be
// equal. What the test camera declares (testdoubles/camera) is checked in each host on its own.
var files = "@FILES@", out = "@OUT@";

function show(what, value) { Host.Echo("= " + what + ": " + value); return value; }
function check(ok, what) { Host.Check(ok, what); }
function error() { return Lumetta.ErrorCode + " " + Lumetta.ErrorString; }

var families = ["Brightness", "Contrast", "Hue", "Saturation", "Sharpness", "Gamma", "WhiteBalance", "BklightComp",
                "Gain", "ColorEnable", "ZoomForCam", "Focus", "Exposure", "Iris", "Pan", "Tilt", "Roll"];

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    Lumetta.RemoveAllImages();
    show("SupportedDeviceType", Lumetta.SupportedDeviceType);

    // The sources: webcams by default, the test camera among them.
    var count = show("SourceCount", Lumetta.SourceCount), camera = -1;
    for (var i = 0; i < count; ++i)
        if (Lumetta.GetSourceNameItems(i).indexOf("Lumetta Test Camera") >= 0) camera = i;
    check(camera >= 0, "the test camera is listed");
    show("GetSourceNameItems beyond the list", "[" + Lumetta.GetSourceNameItems(count + 5) + "] " + Lumetta.ErrorCode);
    show("SelectSourceByIndex", Lumetta.SelectSourceByIndex(camera));
    show("CurrentSourceName", Lumetta.CurrentSourceName);

    // Every property family: value, range and automatic mode.
    for (var f = 0; f < families.length; ++f) {
        var p = families[f], auto = p == "Brightness" ? "IfAutoBright" : "IfAuto" + p;
        show(p, Lumetta[p] + " in " + Lumetta[p + "MinValue"] + ".." + Lumetta[p + "MaxValue"] + " step " +
             Lumetta[p + "StepDelta"] + " default " + Lumetta[p + "DefaultValue"] + " auto " + Lumetta[auto]);
    }
    check(Lumetta.SaturationMinValue == 0 && Lumetta.SaturationMaxValue == 200, "the camera's saturation range");
    Lumetta.Saturation = 150;
    check(show("Saturation set", Lumetta.Saturation) == 150, "a value set reads back");
    Lumetta.Gain = 7;
    show("Gain set", Lumetta.Gain + " " + Lumetta.ErrorCode);
    Lumetta.IfAutoGain = true;
    show("IfAutoGain on", Lumetta.IfAutoGain);
    Lumetta.IfAutoGain = false;
    show("IfAutoGain off", Lumetta.IfAutoGain);
    Lumetta.Saturation = 100;

    // Formats, sizes and frame rates.
    var types = show("MediaTypeListCount", Lumetta.MediaTypeListCount);
    check(types > 0, "the camera offers formats");
    for (var t = 0; t < types; ++t) show("media type " + t, Lumetta.GetMediaTypeByIndex(t));
    show("SelectMediaTypeByIndex", Lumetta.SelectMediaTypeByIndex(0));
    show("MediaType", Lumetta.MediaType);
    var sizes = show("ResolutionForCamListCount", Lumetta.ResolutionForCamListCount);
    for (var r = 0; r < sizes; ++r) show("size " + r, Lumetta.GetResolutionForCamByIndex(r));
    show("ResolutionForCam", Lumetta.ResolutionForCam);
    var rates = show("FrameRateListCount", Lumetta.FrameRateListCount);
    for (var k = 0; k < rates; ++k) show("frame rate " + k, Lumetta.GetFrameRateByIndex(k));
    show("FrameRate", Lumetta.FrameRate);
    show("SelectMediaTypeByIndex beyond the list", Lumetta.SelectMediaTypeByIndex(types + 3) + " " + Lumetta.ErrorCode);

    // A frame from the camera.
    show("AcquireImage", Lumetta.AcquireImage());
    for (var waited = 0; waited < 10000 && Lumetta.HowManyImagesInBuffer < 1; waited += 100) Host.Wait(100);
    Host.Wait(200);
    show("images", Lumetta.HowManyImagesInBuffer);
    show("frame", Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0) + " at " + Lumetta.GetImageBitDepth(0));
    check(Lumetta.HowManyImagesInBuffer == 1, "one frame acquired: " + error());
    show("CloseSource", Lumetta.CloseSource());
    show("error at the end", error());
}
