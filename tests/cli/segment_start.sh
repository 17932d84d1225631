# The start of a CLI test on a namespace segment: namespaces needed (or the
# test is skipped), a fresh ARTIFACTS, the CLI helpers and the segment's, and
# the segment torn down at exit. Sourced with here and ARTIFACTS set.
source "$here/../require.sh"
require_netns
rm -rf "$ARTIFACTS"
source "$here/lib.sh"
trap - EXIT
source "$here/../netns/segment.sh"
trap seg_teardown EXIT
