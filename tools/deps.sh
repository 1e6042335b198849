# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by start.sh and test.sh.
ch_install_deps() {
    local packages=(g++ make cmake qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev ca-certificates
                    iproute2 util-linux xvfb xauth xdotool trayer openbox imagemagick zlib1g-dev openssl
                    nlohmann-json3-dev)
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

ch_build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPHARVESTER_WERROR=ON
    cmake --build build -j"$(nproc)"
}
