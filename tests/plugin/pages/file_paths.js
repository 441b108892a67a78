// One page for both hosts: every member that takes a local path refuses one that does not fit the
// engine's path buffers (shorter than 260 characters) with -1034 and touches nothing, as does
// every transfer to a server whose address would not fit. Each result is printed as a line
// "= what: value" and the two hosts' lines must be equal; each host also checks its own.
// two_hosts.sh fills in @FILES@ (the test files) and @OUT@ (a work folder), both ending in "\\",
// and the loopback servers' @HTTP_PORT@ and @FTP_PORT@; the test then fails when anything named
// "cut*" exists below the work folder: a path cut to fit would have written such a file or made
// such a folder. The page looks at the files through the system's file system object, not
// through the component.
var files = "@FILES@", out = "@OUT@";
var fso = new ActiveXObject("Scripting.FileSystemObject");
var reports = [];

function Lumetta_OnGetFilePath(save, count, index, folder, name) { reports.push(count + " " + index + " [" + folder + "]"); }

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

    edges();
}

// A path of exactly length characters below the work folder's folder root, in folders of at most
// 100 characters, ending in a file name of at least 20 characters: a path cut by one character
// loses part of its extension and keeps its folders.
function edgePath(root, length, extension) {
    var path = out + root;
    while (length - path.length > 140) path += "\\" + repeat("d", 100);
    path += "\\";
    return path + repeat("n", length - path.length - extension.length) + extension;
}

function folderOf(path) { return path.substring(0, path.lastIndexOf("\\")); }

function makeFolders(path) {
    var parts = folderOf(path).substring(out.length).split("\\"), folder = out.substring(0, out.length - 1);
    for (var i = 0; i < parts.length; i++) {
        folder += "\\" + parts[i];
        if (!fso.FolderExists(folder)) fso.CreateFolder(folder);
    }
}

function writeText(path, text) { var f = fso.CreateTextFile(path, true); f.Write(text); f.Close(); }
function readText(path) {
    if (!fso.FileExists(path)) return "<missing>";
    var f = fso.OpenTextFile(path, 1), text = f.ReadAll();
    f.Close();
    return text;
}
// What a folder holds: its files and folders.
function entries(folder) {
    if (!fso.FolderExists(folder)) return "<no folder>";
    var f = fso.GetFolder(folder);
    return f.Files.Count + " files, " + f.SubFolders.Count + " folders";
}

// Every file member at the edge of what it takes, in both hosts: the longest path is used whole
// (written, read or sent under exactly that name), one character more is refused with -1034 and
// touches nothing: a file under the name it would be cut to stays as it was, nothing is written
// beside it and no folder is made.
function edges() {
    var server = "127.0.0.1";
    Lumetta.HTTPPort = parseInt("@HTTP_PORT@", 10);
    Lumetta.FTPPort = parseInt("@FTP_PORT@", 10);
    Lumetta.FTPUserName = "lumetta";
    Lumetta.FTPPassword = "s3cret";
    Lumetta.RemoveAllImages();
    Host.Check(Lumetta.LoadImage(files + "rose.bmp"), "rose.bmp loads");
    Lumetta.SelectedImagesCount = 1;
    Lumetta.SetSelectedImageIndex(0, 0);
    var count = Lumetta.HowManyImagesInBuffer;
    // kind: "save" writes the file, "load" and "send" read one that is there, "get" writes one
    // that the server sends.
    var members = [
        ["SaveAsBMP", 255, ".bmp", "save", function (p) { return Lumetta.SaveAsBMP(p, 0); }],
        ["SaveAsJPEG", 255, ".jpg", "save", function (p) { return Lumetta.SaveAsJPEG(p, 0); }],
        ["SaveAsPNG", 255, ".png", "save", function (p) { return Lumetta.SaveAsPNG(p, 0); }],
        ["SaveAsTIFF", 255, ".tif", "save", function (p) { return Lumetta.SaveAsTIFF(p, 0); }],
        ["SaveAllAsMultiPageTIFF", 255, ".tif", "save", function (p) { return Lumetta.SaveAllAsMultiPageTIFF(p); }],
        ["SaveAsPDF", 259, ".pdf", "save", function (p) { return Lumetta.SaveAsPDF(p, 0); }],
        ["SaveAllAsPDF", 259, ".pdf", "save", function (p) { return Lumetta.SaveAllAsPDF(p); }],
        ["SaveSelectedImagesAsMultiPageTIFF", 259, ".tif", "save", function (p) { return Lumetta.SaveSelectedImagesAsMultiPageTIFF(p); }],
        ["SaveSelectedImagesAsMultiPagePDF", 259, ".pdf", "save", function (p) { return Lumetta.SaveSelectedImagesAsMultiPagePDF(p); }],
        ["LoadImage", 259, ".bmp", "load", function (p) { return Lumetta.LoadImage(p); }],
        ["LoadImageEx", 259, ".bmp", "load", function (p) { return Lumetta.LoadImageEx(p, 0); }],
        ["HTTPUploadThroughPostDirectly", 259, ".bmp", "send", function (p) { return Lumetta.HTTPUploadThroughPostDirectly(server, p, "/empty/fit", "a.bmp"); }],
        ["HTTPUploadThroughPutDirectly", 259, ".bmp", "send", function (p) { return Lumetta.HTTPUploadThroughPutDirectly(server, p, "/empty/fit.bmp"); }],
        ["FTPUploadDirectly", 259, ".bmp", "send", function (p) { return Lumetta.FTPUploadDirectly(server, p, "fit.bmp"); }],
        ["HTTPDownloadDirectly", 258, ".png", "get", function (p) { return Lumetta.HTTPDownloadDirectly(server, "/dl/image.png", p); }],
        ["FTPDownloadDirectly", 258, ".bin", "get", function (p) { return Lumetta.FTPDownloadDirectly(server, "known.bin", p); }]
    ];
    for (var m = 0; m < members.length; m++) {
        var name = members[m][0], longest = members[m][1], ext = members[m][2], kind = members[m][3];
        var call = members[m][4];
        var whole = edgePath("edge" + m, longest, ext);
        Host.Check(whole.length == longest, name + ": the path has " + longest + " characters");
        if (kind == "load" || kind == "send") {
            makeFolders(whole);
            fso.CopyFile(files + "rose.bmp", whole);
        }
        var before = Lumetta.HowManyImagesInBuffer;
        var answer = call(whole), code = Lumetta.ErrorCode;
        var loaded = Lumetta.HowManyImagesInBuffer - before;
        show(name + " " + longest, answer + " " + code + ", " + entries(folderOf(whole)) + ", loaded " + loaded);
        Host.Check(answer == true && code == 0, name + " takes " + longest + " characters: " + code);
        Host.Check(fso.FileExists(whole) && entries(folderOf(whole)) == "1 files, 0 folders",
                   name + " uses exactly the name of " + longest + " characters");
        Host.Check(loaded == (kind == "load" ? 1 : 0), name + " loads " + loaded);

        var over = edgePath("keep" + m, longest + 1, ext), cut = over.substring(0, longest);
        makeFolders(cut);
        writeText(cut, "kept as it was");
        answer = call(over);
        code = Lumetta.ErrorCode;
        show(name + " " + (longest + 1), answer + " " + code + ", " + readText(cut) + ", " + entries(folderOf(cut)));
        Host.Check(answer == false && code == -1034, name + " refuses " + (longest + 1) + " characters: " + code);
        Host.Check(readText(cut) == "kept as it was" && entries(folderOf(cut)) == "1 files, 0 folders",
                   name + " leaves the file of the cut name alone");
        var fresh = edgePath("cut" + m, longest + 1, ext);
        answer = call(fresh);
        code = Lumetta.ErrorCode;
        Host.Check(answer == false && code == -1034 && !fso.FolderExists(out + "cut" + m),
                   name + " makes no folder for " + (longest + 1) + " characters: " + code);
    }
    // Loads of a path that does not fit load nothing, even with an image under the cut name.
    Host.Check(Lumetta.HowManyImagesInBuffer == count + 2, "only the two loads that fit added images");

    // The file dialog's initial folder (also the save dialog's initial file name): refused before
    // any dialog shows, and reported as a cancel.
    var initial = edgePath("dialog", 260, "");
    var shown = Lumetta.ShowFileDialog(true, "PDF|*.pdf", 1, "pdf", initial, false, true, 0);
    show("ShowFileDialog with a 260-character folder", shown + " " + Lumetta.ErrorCode + " " + reports.join("; "));
    Host.Check(shown == false && Lumetta.ErrorCode == -1034, "ShowFileDialog refuses the folder");

    // Whatever is refused, and wherever (the engine's path rule, the members' text buffers), the
    // page hears exactly once that nothing was chosen: count 0, index -1, the initial folder
    // when it is a path that fits, else none. A page that waits for the report goes on.
    var refused = [
        ["a 511-character folder", "PDF|*.pdf", edgePath("dialog", 511, ""), ""],
        ["a 512-character folder", "PDF|*.pdf", edgePath("dialog", 512, ""), ""],
        ["a 600-character folder", "PDF|*.pdf", edgePath("dialog", 600, ""), ""],
        ["a 4096-character filter", "PDF|" + repeat("*", 4092), out, out],
        ["a 5000-character filter", "PDF|" + repeat("*", 4996), out, out]
    ];
    for (var r = 0; r < refused.length; r++) {
        for (var save = 0; save < 2; save++) {
            reports = [];
            shown = Lumetta.ShowFileDialog(save == 1, refused[r][1], 1, "pdf", refused[r][2], false, true, 0);
            var code = Lumetta.ErrorCode, what = (save ? "save" : "open") + " dialog with " + refused[r][0];
            show("ShowFileDialog, " + what, shown + " " + code + " " + reports.length + " report(s)");
            Host.Check(shown == false && code == -1034, "ShowFileDialog refuses " + what + ": " + code);
            Host.Check(reports.join("; ") == "0 -1 [" + refused[r][3] + "]",
                       "one cancel report for " + what + ": " + reports.join("; "));
        }
    }
}
