<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>GameChooser</name>
    <message>
        <source>Open a game folder or archive - Tavrin</source>
        <translation>ゲームのフォルダーかアーカイブを開く - Tavrin</translation>
    </message>
    <message>
        <source>Games</source>
        <extracomment>The caption of the file type that lists games: their scenarios and archives.</extracomment>
        <translation>ゲーム</translation>
    </message>
    <message>
        <source>All files</source>
        <extracomment>The caption of the file type that lists every file.</extracomment>
        <translation>すべてのファイル</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <extracomment>The button that plays the folder or archive chosen; &amp; marks its shortcut letter.</extracomment>
        <translation>プレイ(&amp;P)</translation>
    </message>
</context>
<context>
    <name>GameLocation</name>
    <message>
        <source>%1, %2</source>
        <extracomment>Joins the names of a list of folders but the last.</extracomment>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <extracomment>Joins the last name of a list of folders.</extracomment>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds %2 games, one in each of the folders %3: name the one to play after it, as in &apos;%4&apos;</source>
        <extracomment>%1 is a folder or an archive, %2 how many games it holds, %3 the list of the folders that hold them, and %4 the path that names the first of them.</extracomment>
        <translation>「%1」にはゲームが%2本（フォルダー %3 にひとつずつ）入っています。遊ぶゲームは、そのフォルダー名を後ろに付けて「%4」のように指定してください。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds no game: there is no dat.dat in it or in any of its folders</source>
        <translation>「%1」にはゲームが入っていません。その中にも、中のどのフォルダーにも dat.dat がありません。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds no game: there is no dat.dat in it or in any of its folders (its %2 is a link, and links are never followed)</source>
        <extracomment>%2 is the name of a dat.dat inside the archive %1.</extracomment>
        <translation>「%1」にはゲームが入っていません。その中にも、中のどのフォルダーにも dat.dat がありません（%2 はリンクで、リンクはたどりません）。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds no game: there is no dat.dat in it or in any of its folders (entries whose names are absolute or lead out of it with &quot;..&quot; are never used, such as %2)</source>
        <extracomment>%2 is the name of an entry of the archive %1.</extracomment>
        <translation>「%1」にはゲームが入っていません。その中にも、中のどのフォルダーにも dat.dat がありません（%2 のように、絶対パスの名前や「..」で外に出る名前の項目は使いません）。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds no game: there is no dat.dat in it or in any of its folders (it holds the archive %2, which is not opened from inside another: unpack that one first)</source>
        <extracomment>%2 is the name of an archive inside the archive %1.</extracomment>
        <translation>「%1」にはゲームが入っていません。その中にも、中のどのフォルダーにも dat.dat がありません（アーカイブ %2 が入っていますが、アーカイブの中のアーカイブは開きません。先にそれを展開してください）。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds its dat.dat encrypted, with a password: Tavrin reads no encrypted archives; unpack it with the password first</source>
        <translation>「%1」の dat.dat はパスワードで暗号化されています。Tavrin は暗号化されたアーカイブを読めないので、先にパスワードを使って展開してください。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is encrypted with a password: Tavrin reads no encrypted archives; unpack it with the password first</source>
        <translation>「%1」はパスワードで暗号化されています。Tavrin は暗号化されたアーカイブを読めないので、先にパスワードを使って展開してください。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds more than %2 entries, more than any game: it is not read</source>
        <translation>「%1」には%2を超える数の項目が入っています。ゲームとしては多すぎるため、読み込みません。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be read as an archive, it may be damaged or cut short</source>
        <translation>「%1」はアーカイブとして読み込めません。壊れているか、途中で切れている可能性があります。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be read as an archive, it may be damaged or cut short: %2</source>
        <extracomment>%2 is what the archive library said, in English.</extracomment>
        <translation>「%1」はアーカイブとして読み込めません。壊れているか、途中で切れている可能性があります（%2）。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is neither a game folder, nor its dat.dat, nor an archive of a kind Tavrin reads (zip, LZH, 7z, RAR)</source>
        <translation>「%1」はゲームのフォルダーでも、その dat.dat でも、Tavrin が読める形式（zip、LZH、7z、RAR）のアーカイブでもありません。</translation>
    </message>
</context>
<context>
    <name>WindowFrontEnd</name>
    <message>
        <source>no display to open a window on: neither Wayland (WAYLAND_DISPLAY) nor X11 (DISPLAY) could be reached; use --headless to play without a window</source>
        <translation>ウィンドウを開くディスプレイがありません。Wayland（WAYLAND_DISPLAY）にも X11（DISPLAY）にも接続できませんでした。ウィンドウを使わずに遊ぶには --headless を付けて起動してください。</translation>
    </message>
    <message>
        <source>Qt&apos;s Wayland platform is not installed (Debian&apos;s qt6-wayland): the window runs through XWayland</source>
        <translation>Qt の Wayland プラットフォーム（Debian の qt6-wayland パッケージ）がインストールされていないため、ウィンドウは XWayland を通して表示します。</translation>
    </message>
</context>
</TS>
