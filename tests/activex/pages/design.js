// A page opened in design mode: the window and the viewer exist, the gated getters fail, the
// puts and the ungated getters work.
function throws(f) { try { f(); } catch (e) { return true; } return false; }

function main() {
    Host.Check(Host.ViewerSize() == "320x240", "the viewer exists in design mode too");
    var threw = 0;
    try { Lumetta.ErrorCode; } catch (e) { threw++; }
    try { Lumetta.HowManyImagesInBuffer; } catch (e) { threw++; }
    Host.Check(threw == 2, "gated getters fail in design mode");
    var gated = ["DefaultSourceName", "SourceCount", "ErrorString", "Brightness", "Hue", "HueMinValue", "IfAutoHue",
                 "MediaTypeListCount", "SelectedImagesCount", "HTTPPostResponseString", "CurrentImageIndexInBuffer"];
    for (var i = 0; i < gated.length; i++)
        Host.Check(throws(function () { return Lumetta[gated[i]]; }), gated[i] + " is gated");
    Host.Check(throws(function () { return Lumetta.hDIB(0); }), "hDIB is gated");
    Host.Check(throws(function () { return Lumetta.GetSourceNameItems(0); }), "GetSourceNameItems is gated");
    Lumetta.PDFTitle = "design";
    Host.Check(Lumetta.PDFTitle == "design", "text puts and their gets work in design mode");
    Lumetta.IfThrowException = true;
    Host.Check(Lumetta.IfThrowException == true, "IfThrowException is not gated");
    Host.Check(Lumetta.MaxImagesInBuffer == 64, "MaxImagesInBuffer get is not gated");
    Host.Check(Lumetta.ProductName == "Lumetta", "identity texts: " + Lumetta.ProductName);
}
