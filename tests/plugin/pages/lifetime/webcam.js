// Page handlers of a webcam acquisition's own events try to close, switch and replace the camera,
// to change the format it grabs in (and to start a second acquisition) while its frame is still to
// come: each is refused as a busy source, and the acquisition ends with its frame in the size it
// began with. After it the page closes the source and changes the size at will.
var tried = [];
function attempt(what, done) { tried.push(what + " " + done + " " + Lumetta.ErrorCode); }
function Lumetta_OnPreAllTransfers() { attempt("CloseSource", Lumetta.CloseSource()); }
function Lumetta_OnPreTransfer() {
    attempt("CloseSource", Lumetta.CloseSource());
    attempt("SelectSourceByIndex", Lumetta.SelectSourceByIndex(camera));
    attempt("SetVideoContainer", Lumetta.SetVideoContainer(0));
    attempt("AcquireImage", Lumetta.AcquireImage());
    attempt("SelectResolutionForCamByIndex", Lumetta.SelectResolutionForCamByIndex(otherSize));
    attempt("SelectMediaTypeByIndex", Lumetta.SelectMediaTypeByIndex(0));
    attempt("SelectFrameRateByIndex", Lumetta.SelectFrameRateByIndex(0));
}
var camera = -1, otherSize = -1;
// "W x H" of a size text, as the buffer's image would read.
function sizeOf(text) { var n = String(text).match(/\d+/g); return n ? n[0] + "x" + n[1] : text; }

function main() {
    camera = selectTestCamera(false);
    var size = sizeOf(Lumetta.ResolutionForCam);
    for (var r = 0; r < Lumetta.ResolutionForCamListCount; ++r)
        if (sizeOf(Lumetta.GetResolutionForCamByIndex(r)) != size) otherSize = r;
    Host.Check(otherSize >= 0, "the test camera offers a second size besides " + size);
    var acquired = Lumetta.AcquireImage();
    Host.Check(acquired, "the acquisition ends with its frame: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1, "one frame in the buffer: " + Lumetta.HowManyImagesInBuffer);
    var expected = ["CloseSource false -1004", "CloseSource false -1004", "SelectSourceByIndex false -1004",
                    "SetVideoContainer false -1004", "AcquireImage false -1004",
                    "SelectResolutionForCamByIndex false -1004", "SelectMediaTypeByIndex false -1004",
                    "SelectFrameRateByIndex false -1004"];
    Host.Check(tried.join() == expected.join(), "refused as a busy source: " + tried.join());
    var frame = Lumetta.GetImageWidth(0) + "x" + Lumetta.GetImageHeight(0);
    Host.Check(frame == size && sizeOf(Lumetta.ResolutionForCam) == size,
               "the frame and the camera keep the size the acquisition began with: " + frame + " " + Lumetta.ResolutionForCam);
    Host.Check(Lumetta.SelectResolutionForCamByIndex(otherSize), "another size after the acquisition: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.CloseSource(), "closed after the acquisition: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.AcquireImage(), "a second acquisition opens it again: " + Lumetta.ErrorCode);
    Host.Echo("the page goes on after the camera's events");
}
