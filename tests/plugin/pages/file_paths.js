// One page for both hosts: every member that takes a local path refuses one that does not fit the
// engine's path buffers (shorter than 260 characters) with -1034 and touches nothing, as does
// every transfer to a server whose address would not fit. Each result is printed as a line
// "= what: value" and the two hosts' lines must be equal; each host also checks its own.
// two_hosts.sh fills in @FILES@ (the test files) and @OUT@ (a work folder), both ending in "\\";
// the test then fails when anything named "cut*" exists below the work folder: a path cut to
// fit would have written such a file or made such a folder.
var files = "@FILES@", out = "@OUT@";

function show(what, value) { Host.Echo("= " + what + ": " + value); return value; }
function repeat(c, n) { return new Array(n + 1).join(c); }

// A path of exactly length characters below the work folder, in folders of at most 100.
function pathOfLength(length, extension) {
    var path = out + "cut";
    while (path.length + extension.length < length) {
        var room = length - path.length - extension.length - 1;
        path += "\\" + repeat("d", room > 100 ? 100 : room);
    }
    return path + extension;
}

function main() {
    if (Host.Name == "control") Lumetta.IfThrowException = false;
    Lumetta.IfShowUI = false;
    Lumetta.IfShowFileDialog = false;
    Lumetta.IfShowCancelDialogWhenImageTransfer = false;
    Lumetta.RemoveAllImages();
    Host.Check(Lumetta.LoadImage(files + "rose.bmp"), "rose.bmp loads");
    Lumetta.SelectedImagesCount = 1;
    Lumetta.SetSelectedImageIndex(0, 0);
    var count = Lumetta.HowManyImagesInBuffer;

    // The members that write a file, read one or make folders, each with paths of 260 and of
    // 300 characters.
    var members = [
        ["SaveAsBMP", ".bmp", function (p) { return Lumetta.SaveAsBMP(p, 0); }],
        ["SaveAsJPEG", ".jpg", function (p) { return Lumetta.SaveAsJPEG(p, 0); }],
        ["SaveAsPNG", ".png", function (p) { return Lumetta.SaveAsPNG(p, 0); }],
        ["SaveAsTIFF", ".tif", function (p) { return Lumetta.SaveAsTIFF(p, 0); }],
        ["SaveAsPDF", ".pdf", function (p) { return Lumetta.SaveAsPDF(p, 0); }],
        ["SaveAllAsPDF", ".pdf", function (p) { return Lumetta.SaveAllAsPDF(p); }],
        ["SaveAllAsMultiPageTIFF", ".tif", function (p) { return Lumetta.SaveAllAsMultiPageTIFF(p); }],
        ["SaveSelectedImagesAsMultiPageTIFF", ".tif", function (p) { return Lumetta.SaveSelectedImagesAsMultiPageTIFF(p); }],
        ["SaveSelectedImagesAsMultiPagePDF", ".pdf", function (p) { return Lumetta.SaveSelectedImagesAsMultiPagePDF(p); }],
        ["LoadImage", ".bmp", function (p) { return Lumetta.LoadImage(p); }],
        ["LoadImageEx", ".bmp", function (p) { return Lumetta.LoadImageEx(p, 0); }],
        ["HTTPDownloadDirectly", ".bmp", function (p) { return Lumetta.HTTPDownloadDirectly("127.0.0.1", "/dl/image.bmp", p); }],
        ["FTPDownloadDirectly", ".bmp", function (p) { return Lumetta.FTPDownloadDirectly("127.0.0.1", "image.bmp", p); }],
        ["HTTPUploadThroughPostDirectly", ".bmp", function (p) { return Lumetta.HTTPUploadThroughPostDirectly("127.0.0.1", p, "/empty/cut", "a.bmp"); }],
        ["HTTPUploadThroughPutDirectly", ".bmp", function (p) { return Lumetta.HTTPUploadThroughPutDirectly("127.0.0.1", p, "/empty/cut.bmp"); }],
        ["FTPUploadDirectly", ".bmp", function (p) { return Lumetta.FTPUploadDirectly("127.0.0.1", p, "cut.bmp"); }]
    ];
    var lengths = [260, 300];
    for (var m = 0; m < members.length; m++) {
        for (var l = 0; l < lengths.length; l++) {
            var path = pathOfLength(lengths[l], members[m][1]);
            Host.Check(path.length == lengths[l], "the path has " + lengths[l] + " characters");
            var answer = members[m][2](path);
            var code = Lumetta.ErrorCode;
            show(members[m][0] + " " + lengths[l], answer + " " + code);
            Host.Check(answer == false && code == -1034, members[m][0] + " refuses " + lengths[l] + " characters: " + code);
        }
    }
    Host.Check(Lumetta.HowManyImagesInBuffer == count, "nothing was loaded");

    // The members whose path buffer is 256 bytes in both hosts refuse 256 characters and more.
    var narrow = [members[0], members[1], members[2], members[3], members[6]];
    for (var n = 0; n < narrow.length; n++) {
        var answer256 = narrow[n][2](pathOfLength(258, narrow[n][1]));
        var code256 = Lumetta.ErrorCode;
        show(narrow[n][0] + " 258", answer256 + " " + code256);
        Host.Check(answer256 == false && code256 == -1034, narrow[n][0] + " refuses 258 characters: " + code256);
    }

    // Every transfer member with a server address too long for the address buffer.
    var server = repeat("h", 255);
    var transfers = [
        ["HTTPUploadThroughPost", function () { return Lumetta.HTTPUploadThroughPost(server, 0, "/empty/cut", "a.bmp"); }],
        ["HTTPUploadThroughPut", function () { return Lumetta.HTTPUploadThroughPut(server, 0, "/empty/cut.bmp"); }],
        ["HTTPDownload", function () { return Lumetta.HTTPDownload(server, "/dl/image.bmp"); }]
    ];
    for (var t = 0; t < transfers.length; t++) {
        var done = transfers[t][1]();
        var failure = Lumetta.ErrorCode;
        show(transfers[t][0] + " to a 255-character server", done + " " + failure);
        Host.Check(done == false && failure == -1034, transfers[t][0] + " refuses the server: " + failure);
    }

    // What fits is taken: a path of 259 characters in the members that keep 512 bytes.
    var fits = pathOfLength(259, ".pdf").replace(out + "cut", out + "fit");
    show("SaveAllAsPDF 259", Lumetta.SaveAllAsPDF(fits) + " " + Lumetta.ErrorCode);
    show("LoadImage 259", Lumetta.LoadImage(fits) + " " + Lumetta.ErrorCode);
}
