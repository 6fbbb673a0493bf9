#!/usr/bin/env bash
# Account names with an overlong form, a surrogate or a code point past U+10FFFF are refused.
added=()
for name in $'\xc0\xafroot' $'\xed\xa0\x80name' $'\xf4\x90\x80\x80name'; do
    if printf 'pw\n' | "$DOKORA_SERVER" --data "$DOKORA_DATA" --add-user "$name" >/dev/null 2>&1
    then
        added+=("$(printf '%s' "$name" | od -An -tx1 | tr -s ' ')")
    fi
done
if [ ${#added[@]} -eq 0 ]; then
    echo "account names that are not strict UTF-8 are refused"
else
    echo "accepted account names:${added[*]}"
    exit 1
fi
