# Sourced by the client benchmarks: two hosts of their own, network
# namespaces "$1" and "$2" joined by a veth pair named "$1v" and "$2v", with
# addresses "$3.1" and "$3.2" (/24) and their loopbacks up. Needs root.
host_pair_up() {
  local a=$1 b=$2 subnet=$3
  ip netns add "$a"
  ip netns add "$b"
  ip link add "${a}v" netns "$a" type veth peer name "${b}v" netns "$b"
  ip -n "$a" addr add "$subnet.1/24" dev "${a}v"
  ip -n "$b" addr add "$subnet.2/24" dev "${b}v"
  for ns in "$a" "$b"; do ip -n "$ns" link set lo up; done
  ip -n "$a" link set "${a}v" up
  ip -n "$b" link set "${b}v" up
}

host_pair_down() {
  ip netns del "$1" 2>/dev/null || true
  ip netns del "$2" 2>/dev/null || true
}
