// A page that configures the control through PARAMs and script, and answers its events.
var events = [];

function Lumetta_OnBitmapChanged() { events.push("OnBitmapChanged"); }
function Lumetta_OnPostLoad(path, name, type) { events.push("OnPostLoad " + path + " " + name + " " + type); }
function Lumetta_OnOperateStatus(message, percent) { events.push("OnOperateStatus"); }
function Lumetta_OnInternetTransferPercentage(percent, cancel) {
    events.push("OnInternetTransferPercentage " + percent + " " + cancel);
    return percent >= 50;
}
function Lumetta_OnInternetTransferPercentageEx(percent, cancelObject) {
    events.push("OnInternetTransferPercentageEx " + percent + " " + cancelObject.Cancelled);
    if (percent == 70) cancelObject.Cancelled = false;
}

function main() {
    Host.Check(Lumetta.JPEGQuality == 42, "PARAM JpgQuality gives JPEGQuality 42, not " + Lumetta.JPEGQuality);
    Host.Check(Lumetta.FTPPort == 2121, "PARAM FTPPort");
    Host.Check(Lumetta.IfShowUI == false, "PARAM IfShowUI false");
    Host.Check(Lumetta.ErrorCode == 0, "ErrorCode readable in user mode");
    Host.Check(Lumetta.CurrentHWND != 0, "the control has a window");
    Host.Check(Host.ViewerSize() == "320x240", "the viewer fills the control: " + Host.ViewerSize());
    Host.Resize(500, 380);
    Host.Check(Host.ViewerSize() == "500x380", "the viewer follows the control's size: " + Host.ViewerSize());

    Lumetta.PDFTitle = "Quarterly report";
    Host.Check(Lumetta.PDFTitle == "Quarterly report", "a text property round trip");

    Host.SendEvent(17);
    Host.SendEvent(15);
    Host.Check(Host.SendEvent(11, 30) == 0, "30 percent: the page lets the transfer run");
    Host.Check(Host.SendEvent(11, 60) == 1, "60 percent: the page cancels through the first event");
    Host.Check(Host.SendEvent(11, 70) == 0, "70 percent: the second event withdraws the cancel");
    Host.Check(events[0] == "OnBitmapChanged", events[0]);
    Host.Check(events[1] == "OnPostLoad C:\\pages scan.png 3", events[1]);
    Host.Check(events[2] == "OnInternetTransferPercentage 30 false", events[2]);
    Host.Check(events[3] == "OnInternetTransferPercentageEx 30 false", events[3]);
    Host.Check(events[5] == "OnInternetTransferPercentageEx 60 true", events[5]);

    // Design mode: the gated getters throw, the puts still act.
    Host.SetUserMode(false);
    var threw = false;
    try { var code = Lumetta.ErrorCode; } catch (e) { threw = true; }
    Host.Check(threw, "ErrorCode fails in design mode");
    Lumetta.JPEGQuality = 77;
    Host.SetUserMode(true);
    Host.Check(Lumetta.ErrorCode == 0 && Lumetta.JPEGQuality == 77, "back in user mode");
    Host.Check(Lumetta.FTPUploadEx("127.0.0.1", 0, "a.jpg", 1) == false && Lumetta.ErrorCode < 0,
               "members of a later step answer an error code, not a crash");
    Host.Echo("page done");
}

function borderStyleChecks() {
    Lumetta.BorderStyle = 2;
    Host.Check(Lumetta.BorderStyle == 2 && Lumetta.ErrorCode == 0, "BorderStyle 2 accepted");
    Lumetta.IfThrowException = false;
    Lumetta.BorderStyle = 3;
    Host.Check(Lumetta.ErrorCode == -1034 && Lumetta.BorderStyle == 2, "BorderStyle 3 refused quietly");
    Lumetta.IfThrowException = true;
    var threw = false;
    try { Lumetta.BorderStyle = 7; } catch (e) { threw = true; }
    Host.Check(threw, "BorderStyle 7 throws in throw mode");
    Lumetta.IfThrowException = false;
}
borderStyleChecks();
