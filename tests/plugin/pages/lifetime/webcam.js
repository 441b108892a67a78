// Page handlers of a webcam acquisition's own events try to close, switch and replace the camera
// (and to start a second acquisition) while its frame is still to come: each is refused as a busy
// source, and the acquisition ends with its frame. After it the page closes the source at will.
var tried = [];
function attempt(what, done) { tried.push(what + " " + done + " " + Lumetta.ErrorCode); }
function Lumetta_OnPreAllTransfers() { attempt("CloseSource", Lumetta.CloseSource()); }
function Lumetta_OnPreTransfer() {
    attempt("CloseSource", Lumetta.CloseSource());
    attempt("SelectSourceByIndex", Lumetta.SelectSourceByIndex(camera));
    attempt("SetVideoContainer", Lumetta.SetVideoContainer(0));
    attempt("AcquireImage", Lumetta.AcquireImage());
}
var camera = -1;

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    for (var i = 0; i < Lumetta.SourceCount; ++i)
        if (Lumetta.GetSourceNameItems(i).indexOf("Lumetta Test Camera") >= 0) camera = i;
    Host.Check(camera >= 0, "the test camera is listed");
    Host.Check(Lumetta.SelectSourceByIndex(camera), "the test camera selected: " + Lumetta.ErrorCode);
    var acquired = Lumetta.AcquireImage();
    Host.Check(acquired, "the acquisition ends with its frame: " + Lumetta.ErrorCode + " " + Lumetta.ErrorString);
    Host.Check(Lumetta.HowManyImagesInBuffer == 1, "one frame in the buffer: " + Lumetta.HowManyImagesInBuffer);
    var expected = ["CloseSource false -1004", "CloseSource false -1004", "SelectSourceByIndex false -1004",
                    "SetVideoContainer false -1004", "AcquireImage false -1004"];
    Host.Check(tried.join() == expected.join(), "refused as a busy source: " + tried.join());
    Host.Check(Lumetta.CloseSource(), "closed after the acquisition: " + Lumetta.ErrorCode);
    Host.Check(Lumetta.AcquireImage(), "a second acquisition opens it again: " + Lumetta.ErrorCode);
    Host.Echo("the page goes on after the camera's events");
}
