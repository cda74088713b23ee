# Shared by the Windows scripts: the packages, Qt for Windows and its cache, the cross build,
# the package, and Wine.
# shellcheck shell=bash

WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                  nsis wixl msitools osslsigncode wine wine64 xvfb xauth xdotool imagemagick tcl)

QT_VERSION=6.4.2
QT_MODULES=(qtbase qtserialport qtsvg)
TOOLCHAIN="$ROOT/packaging/windows/mingw-w64-x86_64.cmake"
WINDOWS_BUILD="$ROOT/build-windows"

# Only what the program and its tests use (without OpenGL, Qt 6.4.2 needs dynamicgl off too to
# build its Windows plugin). Debian's repack of qtbase has no wintab.h, hence no
# tablet events (a pen tablet acts as a mouse). Third-party libraries are Qt's bundled copies, so
# that the package needs no DLL but Qt's and the compiler's.
QT_BASE_OPTIONS=(-DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF
                 -DQT_BUILD_TESTS=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF
                 -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF
                 -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
                 -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
                 -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
                 -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF)

# Debian's security fixes to qtbase 6.4.2, from its packaging (qt6-base_*.debian.tar.xz beside the
# tarballs), so that the Windows program runs the same fixed Qt as the Linux one.
QT_BASE_PATCHES=(cve-2023-24607.patch cve-2023-32762.diff cve-2023-32763.diff cve-2023-33285.diff)

# The cache is named after what went into it, so a change of options, fixes or compiler file
# builds anew.
qt_cache_key() {
    { echo "$QT_VERSION ${QT_BASE_OPTIONS[*]} ${QT_BASE_PATCHES[*]}"; cat "$TOOLCHAIN"; } | sha256sum | cut -c1-12
}
QT_WINDOWS="${XDG_CACHE_HOME:-$HOME/.cache}/tensiova/qt-$QT_VERSION-win64-$(qt_cache_key)"

# build_qt_for_windows SOURCES: checks the tarballs, builds and installs qtbase, qtserialport and
# qtsvg into the cache, and says how long each took.
build_qt_for_windows() {
    local sources=$1 work tarball module started
    # The Qt project's name, or Debian's repack of qtbase (qtbase-everywhere-src-6.4.2+dfsg).
    for module in "${QT_MODULES[@]}"; do
        compgen -G "$sources/$module-everywhere-src-$QT_VERSION*.tar.xz" >/dev/null \
            || { echo "Manque $sources/$module-everywhere-src-$QT_VERSION.tar.xz"; exit 2; }
    done
    if [ -f "$sources/SHA256SUMS" ]; then
        (cd "$sources" && sha256sum --quiet -c SHA256SUMS) || { echo "Sommes de contrôle fausses dans $sources"; exit 2; }
    fi
    work=$(mktemp -d "${TMPDIR:-/tmp}/tensiova-qt.XXXXXX")
    rm -rf "$QT_WINDOWS"
    mkdir -p "$QT_WINDOWS"
    cp "$TOOLCHAIN" "$QT_WINDOWS/mingw-w64-x86_64.cmake"
    for module in "${QT_MODULES[@]}"; do
        tarball=$(compgen -G "$sources/$module-everywhere-src-$QT_VERSION*.tar.xz" | head -1)
        started=$SECONDS
        echo "Qt pour Windows : $module…"
        tar -xf "$tarball" -C "$work"
        if [ "$module" = qtbase ]; then
            apply_debian_patches "$sources"/qt6-base_"$QT_VERSION"*.debian.tar.xz \
                "$(compgen -G "$work/qtbase-everywhere-src-*")" "${QT_BASE_PATCHES[@]}"
            cmake -S "$work"/qtbase-everywhere-src-* -B "$work/build-$module" -G Ninja \
                -DCMAKE_TOOLCHAIN_FILE="$QT_WINDOWS/mingw-w64-x86_64.cmake" \
                -DCMAKE_INSTALL_PREFIX="$QT_WINDOWS" -DQT_HOST_PATH=/usr \
                -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "${QT_BASE_OPTIONS[@]}" \
                >"$work/configure-$module.log" 2>&1 || { tail -40 "$work/configure-$module.log"; exit 1; }
        else
            "$QT_WINDOWS/bin/qt-cmake" -S "$work/$module-everywhere-src-$QT_VERSION" \
                -B "$work/build-$module" -G Ninja -DCMAKE_INSTALL_PREFIX="$QT_WINDOWS" \
                >"$work/configure-$module.log" 2>&1 || { tail -40 "$work/configure-$module.log"; exit 1; }
        fi
        cmake --build "$work/build-$module" -- --quiet -j"$(nproc)"
        cmake --install "$work/build-$module" >/dev/null
        echo "$module $((SECONDS - started)) s" | tee -a "$QT_WINDOWS/build-times.txt"
    done
    rm -rf "$work"
    touch "$QT_WINDOWS/.complete"
}

# apply_debian_patches DEBIAN_TARBALL SOURCE_TREE PATCH...: applies the named patches of a Debian
# packaging, in the order given; one that does not apply stops the build.
apply_debian_patches() {
    local debian=$1 tree=$2 patch
    shift 2
    [ -f "$debian" ] || { echo "Manque l'empaquetage Debian $debian (ses correctifs de sécurité)"; exit 2; }
    tar -xf "$debian" -C "$tree"
    for patch in "$@"; do
        patch -d "$tree" -p1 --quiet --forward <"$tree/debian/patches/$patch" \
            || { echo "Le correctif $patch ne s'applique pas"; exit 1; }
        echo "  correctif $patch appliqué"
    done
}

# SQLite for Windows: Debian's 3.40.1 source with all of Debian's patches, made into the one-file
# amalgamation and compiled into a static library, once (cached like Qt).
SQLITE_VERSION=3.40.1
SQLITE_WINDOWS="${XDG_CACHE_HOME:-$HOME/.cache}/tensiova/sqlite-$SQLITE_VERSION-win64-$(cat "$TOOLCHAIN" | sha256sum | cut -c1-12)"

build_sqlite_for_windows() {
    local sources=$1 work tree patch
    (cd "$sources" && sha256sum --quiet -c SHA256SUMS) || { echo "Sommes de contrôle fausses dans $sources"; exit 2; }
    work=$(mktemp -d "${TMPDIR:-/tmp}/tensiova-sqlite.XXXXXX")
    echo "SQLite pour Windows…"
    tar -xf "$sources/sqlite3_$SQLITE_VERSION.orig.tar.xz" -C "$work"
    tree=$(compgen -G "$work/sqlite*" | head -1)
    tar -xf "$sources"/sqlite3_"$SQLITE_VERSION"-*.debian.tar.xz -C "$tree"
    while read -r patch; do
        patch -d "$tree" -p1 --quiet --forward <"$tree/debian/patches/$patch" \
            || { echo "Le correctif SQLite $patch ne s'applique pas"; exit 1; }
    done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$tree/debian/patches/series")
    (cd "$tree" && ./configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
    rm -rf "$SQLITE_WINDOWS"
    mkdir -p "$SQLITE_WINDOWS/include" "$SQLITE_WINDOWS/lib"
    x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 \
        -c "$tree/sqlite3.c" -o "$work/sqlite3.o"
    x86_64-w64-mingw32-ar rcs "$SQLITE_WINDOWS/lib/libsqlite3.a" "$work/sqlite3.o"
    cp "$tree/sqlite3.h" "$SQLITE_WINDOWS/include/"
    rm -rf "$work"
    touch "$SQLITE_WINDOWS/.complete"
}

# libpq for Windows, with TLS: Debian's OpenSSL 3.0 (with all of Debian's patches) as static
# libraries, then Debian's PostgreSQL 15 client library built against it into one libpq.dll
# (cached like Qt). Only the client library is built; the server is never needed on Windows.
PQ_VERSION=15.18
OPENSSL_VERSION=3.0.17
PQ_WINDOWS="${XDG_CACHE_HOME:-$HOME/.cache}/tensiova/libpq-$PQ_VERSION-openssl-$OPENSSL_VERSION-win64-$(cat "$TOOLCHAIN" | sha256sum | cut -c1-12)"

build_pq_for_windows() {
    local sources=$1 work tree patch started=$SECONDS
    (cd "$sources" && sha256sum --quiet -c SHA256SUMS) || { echo "Sommes de contrôle fausses dans $sources"; exit 2; }
    work=$(mktemp -d "${TMPDIR:-/tmp}/tensiova-pq.XXXXXX")
    rm -rf "$PQ_WINDOWS"
    mkdir -p "$PQ_WINDOWS/include" "$PQ_WINDOWS/lib" "$PQ_WINDOWS/bin"
    echo "OpenSSL pour Windows…"
    tar -xf "$sources/openssl_$OPENSSL_VERSION.orig.tar.gz" -C "$work"
    tree="$work/openssl-$OPENSSL_VERSION"
    tar -xf "$sources"/openssl_"$OPENSSL_VERSION"-*.debian.tar.xz -C "$tree"
    while read -r patch; do
        patch -d "$tree" -p1 --quiet --forward <"$tree/debian/patches/$patch" \
            || { echo "Le correctif OpenSSL $patch ne s'applique pas"; exit 1; }
    done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$tree/debian/patches/series")
    (cd "$tree" && ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- CC=gcc-posix \
        no-shared no-tests --prefix="$work/openssl" --libdir=lib >"$work/openssl.log" 2>&1 \
        && make -j"$(nproc)" build_libs >>"$work/openssl.log" 2>&1 \
        && make install_dev >>"$work/openssl.log" 2>&1) || { tail -40 "$work/openssl.log"; exit 1; }
    echo "libpq pour Windows…"
    tar -xf "$sources/postgresql-15_$PQ_VERSION.orig.tar.bz2" -C "$work"
    tree="$work/postgresql-$PQ_VERSION"
    (cd "$tree" && ./configure --host=x86_64-w64-mingw32 --without-readline --without-zlib \
        --without-icu --with-ssl=openssl CC=x86_64-w64-mingw32-gcc-posix \
        CPPFLAGS="-I$work/openssl/include" LDFLAGS="-L$work/openssl/lib" LIBS="-lws2_32 -lcrypt32" \
        >"$work/libpq.log" 2>&1 && make -C src/interfaces/libpq -j"$(nproc)" >>"$work/libpq.log" 2>&1) \
        || { tail -40 "$work/libpq.log"; exit 1; }
    cp "$tree/src/interfaces/libpq/libpq.dll" "$PQ_WINDOWS/bin/"
    cp "$tree/src/interfaces/libpq/libpq.a" "$PQ_WINDOWS/lib/libpq.dll.a" 2>/dev/null \
        || cp "$tree"/src/interfaces/libpq/libpq*.a "$PQ_WINDOWS/lib/libpq.dll.a"
    cp "$tree/src/interfaces/libpq/libpq-fe.h" "$tree/src/include/postgres_ext.h" \
        "$tree/src/include/pg_config_ext.h" "$PQ_WINDOWS/include/"
    cp "$tree/COPYRIGHT" "$PQ_WINDOWS/LICENCE-PostgreSQL.txt"
    cp "$work/openssl-$OPENSSL_VERSION/LICENSE.txt" "$PQ_WINDOWS/LICENCE-OpenSSL.txt"
    rm -rf "$work"
    echo "libpq et OpenSSL $((SECONDS - started)) s" | tee "$PQ_WINDOWS/build-times.txt"
    touch "$PQ_WINDOWS/.complete"
}

# The MinGW runtime DLLs live with the compiler; Windows' own DLLs are those Wine provides
# (besides the api-ms-win-* sets, names of parts of the system).
WINE_SYSTEM_DLLS=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

MINGW_RUNTIME_DIRS=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)

build_tensiova_for_windows() {
    echo "Compilation pour Windows dans $WINDOWS_BUILD/build…"
    "$QT_WINDOWS/bin/qt-cmake" -S "$ROOT" -B "$WINDOWS_BUILD/build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DTENSIOVA_WERROR=ON -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/wine \
        -DSQLite3_INCLUDE_DIR="$SQLITE_WINDOWS/include" -DSQLite3_LIBRARY="$SQLITE_WINDOWS/lib/libsqlite3.a" \
        -DPostgreSQL_INCLUDE_DIR="$PQ_WINDOWS/include" -DPostgreSQL_LIBRARY="$PQ_WINDOWS/lib/libpq.dll.a" \
        >/dev/null
    cmake --build "$WINDOWS_BUILD/build" -- --quiet -j"$(nproc)"
}

tensiova_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WINDOWS_BUILD/build/CMakeCache.txt"
}

# The DLLs a program or library imports by name (objdump -p, whose words follow the locale),
# lower-cased.
imported_dlls() {
    LC_ALL=C x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'
}

# deploy_dlls FOLDER: copies beside the programs every DLL that they, their plugins and those DLLs
# import, found in Qt's or the compiler's folders (stripped of their debugging symbols); what is
# found in neither must be a DLL of Windows itself.
deploy_dlls() {
    local folder=$1 queue=() file dll source dir
    mapfile -t queue < <(find "$folder" -iname '*.exe' -o -iname '*.com' -o -iname '*.dll')
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        for dll in $(imported_dlls "$file"); do
            [ -n "$(find "$folder" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
            source=
            for dir in "$QT_WINDOWS/bin" "$PQ_WINDOWS/bin" "${MINGW_RUNTIME_DIRS[@]}"; do
                source=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
                [ -n "$source" ] && break
            done
            if [ -n "$source" ]; then
                cp "$source" "$folder/"
                x86_64-w64-mingw32-strip --strip-unneeded "$folder/$(basename "$source")"
                queue+=("$folder/$(basename "$source")")
            elif [[ "$dll" != api-ms-win-* ]] && [ ! -e "$WINE_SYSTEM_DLLS/$dll" ]; then
                echo "$file importe $dll, introuvable ici et qui n'est pas une DLL de Windows"
                exit 1
            fi
        done
    done
}

# package_for_windows [FOLDER]: the portable folder, its zip, the installer and the MSI, in
# FOLDER ($WINDOWS_BUILD by default). With TENSIOVA_SIGN_PKCS12 and TENSIOVA_SIGN_PASSWORD_FILE
# set, every program and library is signed before it is packed, and each package once made; if
# a signature fails, nothing is delivered.
package_for_windows() {
    local out=${1:-$WINDOWS_BUILD} version stage name qt_plugins=(platforms/qwindows.dll imageformats styles iconengines)
    local signer=
    [ -n "${TENSIOVA_SIGN_PKCS12:-}" ] && signer="$ROOT/scripts/windows-sign"
    version=$(tensiova_version)
    name="tensiova-$version-win64"
    stage="$out/$name"
    mkdir -p "$out"
    rm -rf "$stage" "$out/$name.zip" "$out/$name.msi" "$out/tensiova-$version-setup.exe"
    mkdir -p "$stage/translations"
    cp "$WINDOWS_BUILD/build/tensiova.exe" "$WINDOWS_BUILD/build/tensiova.com" "$stage/"
    x86_64-w64-mingw32-strip "$stage/tensiova.exe" "$stage/tensiova.com"
    # The plugins the program may load: the Windows screen, its pictures' formats (JPEG, GIF,
    # SVG, icons), the styles and SVG icons.
    for plugin in "${qt_plugins[@]}"; do
        mkdir -p "$stage/$(dirname "$plugin")"
        cp -r "$QT_WINDOWS/plugins/$plugin" "$stage/$(dirname "$plugin")/"
    done
    find "$stage" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    # Qt's own texts in French (buttons of the message boxes), the same release's as on Linux.
    cp /usr/share/qt6/translations/qtbase_fr.qm "$stage/translations/"
    cp "$ROOT/packaging/windows/qt.conf" "$ROOT/LICENSE" "$stage/"
    cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/LICENCE-DejaVu.txt" # the font inside
    # The shared history: its client library's licences, and the tables for an administrator.
    cp "$PQ_WINDOWS"/LICENCE-*.txt "$stage/"
    cp "$ROOT/src/sharedhistory/historique-postgresql.sql" "$stage/"
    # The administrative template of the settings IT sets for every station (Group Policy).
    cp -r "$ROOT/packaging/windows/policies" "$stage/"
    deploy_dlls "$stage"
    if [ -n "$signer" ]; then
        find "$stage" \( -iname '*.exe' -o -iname '*.com' -o -iname '*.dll' \) -print0 \
            | xargs -0 "$signer" || deliver_nothing "$out" "$name" "$version"
    fi

    (cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
    echo "Paquet portable : $out/$name.zip ($(du -h "$out/$name.zip" | cut -f1))"

    # The installer installs what the folder holds, and its uninstaller removes exactly that.
    (cd "$stage" && find . -type d | sort) | while read -r dir; do
        dir=${dir#.}
        printf 'SetOutPath "$INSTDIR%s"\nFile "%s/*"\n' "${dir//\//\\}" "$stage$dir"
    done >"$out/install-files.nsh"
    {
        (cd "$stage" && find . -type f | sort) | sed -e 's|^\./||' -e 's|/|\\|g' \
            | awk '{ print "Delete \"$INSTDIR\\" $0 "\"" }'
        (cd "$stage" && find . -mindepth 1 -type d | sort -r) | sed -e 's|^\./||' -e 's|/|\\|g' \
            | awk '{ print "RMDir \"$INSTDIR\\" $0 "\"" }'
    } >"$out/uninstall-files.nsh"
    # The uninstaller, written by the installer on the user's PC, is signed as it is made.
    makensis -V2 -DVERSION="$version" -DBUILD="$out" -DPACKAGING="$ROOT/packaging/windows" \
        ${signer:+-DSIGNER="$signer"} -DOUTFILE="$out/tensiova-$version-setup.exe" \
        "$ROOT/packaging/windows/installer.nsi" || deliver_nothing "$out" "$name" "$version"
    [ -z "$signer" ] || "$signer" "$out/tensiova-$version-setup.exe" || deliver_nothing "$out" "$name" "$version"
    echo "Installateur : $out/tensiova-$version-setup.exe ($(du -h "$out/tensiova-$version-setup.exe" | cut -f1))"

    make_msi "$stage" "$version" "$out/$name.msi"
    [ -z "$signer" ] || "$signer" "$out/$name.msi" || deliver_nothing "$out" "$name" "$version"
    echo "Paquet MSI : $out/$name.msi ($(du -h "$out/$name.msi" | cut -f1))"
    if [ -n "$signer" ]; then
        echo "Programmes, bibliothèques, installateur et MSI signés (SHA-256, Authenticode)."
    else
        echo "Fichiers non signés : aucun certificat donné (--sign-pkcs12, --sign-password-file)."
    fi
}

# A signature (or the installer's making, which signs its uninstaller) failed, and said why: no
# package is delivered, rather than one partly signed.
deliver_nothing() {
    local out=$1 name=$2 version=$3
    rm -rf "${out:?}/$name" "$out/$name.zip" "$out/$name.msi" "$out/tensiova-$version-setup.exe"
    echo "Aucun paquet n'est livré." >&2
    exit 1
}

# make_msi FOLDER VERSION MSI: the Windows Installer package of the portable folder. wixl makes
# the package; msibuild then adds what wixl cannot write: the folder's place at the end of the
# system PATH (the Environment table and its two steps), each policy's component installed only
# when its property is given, and those properties passed to the installation's elevated part.
make_msi() {
    local stage=$1 version=$2 msi=$3 work property secure queries
    work=$(mktemp -d "${TMPDIR:-/tmp}/tensiova-msi.XXXXXX")
    (cd "$stage" && find . -type f | LC_ALL=C sort) \
        | wixl-heat -p ./ --directory-ref INSTALLDIR --component-group ProgramFiles --var var.SourceDir \
            >"$work/files.wxs"
    # wixl finds the files it packs by paths relative to where it runs.
    (cd "$stage" && wixl -a x64 -D Version="$version" -D SourceDir=. \
        -D Icon="$(realpath --relative-to=. "$ROOT/packaging/windows/tensiova.ico")" \
        "$ROOT/packaging/windows/tensiova.wxs" "$work/files.wxs" -o "$msi")
    printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n%s\n' \
        $'Path\t=-*Path\t[~];[INSTALLDIR]\tStartMenu' >"$work/Environment.idt"
    msibuild "$msi" -i "$work/Environment.idt"
    secure=$(msiinfo export "$msi" Property | awk -F'\t' '$1 == "SecureCustomProperties" { print $2 }')
    queries=(-q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)"
             -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
             -q "UPDATE \`Property\` SET \`Value\` = '${secure:+$secure;}SERVEURHISTORIQUE;SERVEURHISTORIQUEMODIFIABLE;NONCHIFFREACCEPTE' WHERE \`Property\` = 'SecureCustomProperties'"
             -q "UPDATE \`Component\` SET \`Attributes\` = 256 WHERE \`Attributes\` = 0")
    for property in SERVEURHISTORIQUE:PolicyServer SERVEURHISTORIQUEMODIFIABLE:PolicyChangeable \
        NONCHIFFREACCEPTE:PolicyUnencrypted; do
        queries+=(-q "UPDATE \`Component\` SET \`Condition\` = '${property%%:*}' WHERE \`Component\` = '${property#*:}'")
    done
    msibuild "$msi" "${queries[@]}"
    rm -rf "$work"
}

# Wine as a French Windows user's PC: a 64-bit prefix of our own, on an X server of our own.
start_wine() {
    export WINEPREFIX="$WINDOWS_BUILD/wine" WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 LANGUAGE=
    local display
    for display in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$display"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Préfixe Wine neuf dans $WINEPREFIX…"
        wineboot -i >/dev/null 2>&1
        # Qt's test programs write to the debugger's channel unless told otherwise; Wine keeps
        # QT_* variables from Windows programs, so this one is set in the prefix itself.
        wine reg add 'HKCU\Environment' /v QT_FORCE_STDERR_LOGGING /t REG_SZ /d 1 /f >/dev/null 2>&1
    fi
    wineserver -w
}

stop_wine() {
    detach_device
    wineserver -k 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# A Linux path as Wine's Z: drive shows it; several, as a search path.
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }
wine_path() {
    local dir joined=
    for dir in "$@"; do joined+="${joined:+;}$(windows_path "$dir")"; done
    echo "$joined"
}

# attach_device comN [devsim options]: the simulated device on a pseudo-terminal that Wine
# takes for its port COMN.
DEVICE_PID=
DEVICE_LOG=
attach_device() {
    local port=$1
    shift
    DEVICE_LINK="$WINEPREFIX/dosdevices/$port"
    DEVICE_LOG=$(mktemp)
    rm -f "$DEVICE_LINK"
    "$BUILD/tools/tensiova-devsim" --link "$DEVICE_LINK" "$@" >"$DEVICE_LOG" 2>&1 &
    DEVICE_PID=$!
    for _ in $(seq 50); do [ -L "$DEVICE_LINK" ] && break; sleep 0.1; done
}

detach_device() {
    if [ -n "$DEVICE_PID" ]; then
        kill "$DEVICE_PID" 2>/dev/null || true
        wait "$DEVICE_PID" 2>/dev/null || true
        rm -f "$DEVICE_LINK"
        DEVICE_PID=
    fi
}

# shoot_window PROGRAM PNG [history|shared|library|guide]: starts the program, clicks its splash
# away, waits for the main window and takes its picture from the X server; with "history", opens
# Paramètrage ▸ Historique des envois by its Alt letter, with "shared" Paramètrage ▸ Historique
# partagé…, with "library" Fichier ▸ Réglages de l'atelier, with "guide" the guide by F1, and takes
# that window's picture instead.
shoot_window() {
    local program=$1 png=$2 what=${3:-main} pid window splash status=1
    (cd "$(dirname "$program")" && exec wine "$program") >/dev/null 2>&1 &
    pid=$!
    splash=$(timeout 60 xdotool search --sync --onlyvisible --name "BREVANNE  - Tensiova" 2>/dev/null | head -1)
    if [ -n "$splash" ]; then
        # A click that comes while Wine is still busy with the splash is lost: the splash is
        # clicked again every 4 s until the main window shows (a busy machine takes a while).
        for attempt in $(seq 120); do
            if [ $((attempt % 8)) = 2 ]; then
                xdotool mousemove --window "$splash" 20 20 click 1 2>/dev/null
            fi
            window=$(xdotool search --onlyvisible --name "analogiques et logiques" 2>/dev/null | head -1)
            [ -n "$window" ] && break
            sleep 0.5
        done
        if [ -n "$window" ] && [ "$what" != main ]; then
            sleep 2
            local title="Aide - Tensiova"
            if [ "$what" = history ]; then
                # "Paramètrage" stands second in the menu bar; "h" is its entry's Alt letter.
                title="Historique des envois"
                xdotool mousemove --window "$window" 85 10 click 1
                sleep 1
                xdotool key h
            elif [ "$what" = shared ]; then
                # "a" is the Alt letter of Paramètrage ▸ Historique partagé….
                title="Historique partagé"
                xdotool mousemove --window "$window" 85 10 click 1
                sleep 1
                xdotool key a
            elif [ "$what" = library ]; then
                # "Fichier" stands first; "a" is the library's Alt letter.
                title="Réglages de l'atelier"
                xdotool mousemove --window "$window" 25 10 click 1
                sleep 1
                xdotool key a
            else
                xdotool mousemove --window "$window" 300 200 click 1
                xdotool key F1
            fi
            window=
            for _ in $(seq 30); do
                window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1)
                [ -n "$window" ] && break
                sleep 0.5
            done
        fi
        if [ -n "$window" ]; then
            sleep 2
            import -window "$window" "$png" && status=0
        fi
    fi
    kill "$pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return $status
}
