; ATTRIB stand-in for the boot test. Sets and clears the read-only, hidden,
; system and archive attributes of every file that matches one path
; (wildcards allowed), the way the boot image's scripts call ATTRIB:
;     attrib -r -s -h c:\boot.bak      attrib +s +h c:\*.*
; Prints "File not found - PATH" and ends with errorlevel 1 when nothing
; matches; ends with errorlevel 0 otherwise.

        bits    16
        org     0x100

A_READONLY      equ     0x01
A_HIDDEN        equ     0x02
A_SYSTEM        equ     0x04
A_ARCHIVE       equ     0x20

start:  cld
        mov     si, 0x81
.scan:  lodsb
        cmp     al, 13
        je      .scanned
        cmp     al, ' '
        jbe     .scan
        cmp     al, '+'
        je      .plus
        cmp     al, '-'
        je      .minus
        mov     di, path                ; anything else is the path
.copy:  stosb
        lodsb
        cmp     al, ' '
        ja      .copy
        dec     si
        mov     byte [di], 0
        jmp     .scan
.plus:  call    letter
        or      [to_set], al
        jmp     .scan
.minus: call    letter
        or      [to_clear], al
        jmp     .scan

.scanned:
        cmp     byte [path], 0
        je      .finished
        ; Matches are named by the path's folder part plus the found name.
        mov     si, path
        mov     bx, si
.last:  lodsb
        test    al, al
        jz      .last_done
        cmp     al, '\'
        je      .sep
        cmp     al, ':'
        jne     .last
.sep:   mov     bx, si
        jmp     .last
.last_done:
        mov     [name_at], bx
        ; Keep the pattern for the message; the match names go into path.
        mov     si, path
        mov     di, pattern
.keep:  lodsb
        stosb
        test    al, al
        jnz     .keep

        mov     dx, dta
        mov     ah, 0x1A
        int     0x21
        mov     dx, path
        mov     cx, A_READONLY | A_HIDDEN | A_SYSTEM | A_ARCHIVE
        mov     ah, 0x4E
        int     0x21
        jc      .not_found
.each:  mov     si, dta + 0x1E
        mov     di, [name_at]
.name:  lodsb
        stosb
        test    al, al
        jnz     .name
        mov     al, [to_clear]
        not     al
        and     al, [dta + 0x15]
        or      al, [to_set]
        and     al, A_READONLY | A_HIDDEN | A_SYSTEM | A_ARCHIVE
        xor     ch, ch
        mov     cl, al
        mov     dx, path
        mov     ax, 0x4301
        int     0x21
        jc      .refused
        mov     ah, 0x4F
        int     0x21
        jnc     .each
.finished:
        mov     ax, 0x4C00
        int     0x21

.refused:
        mov     dx, refused_text
        jmp     .report
.not_found:
        mov     dx, not_found_text
.report:
        mov     ah, 0x09
        int     0x21
        mov     si, pattern
.show:  lodsb
        test    al, al
        jz      .shown
        mov     dl, al
        mov     ah, 0x02
        int     0x21
        jmp     .show
.shown: mov     dx, crlf
        mov     ah, 0x09
        int     0x21
        mov     ax, 0x4C01
        int     0x21

; The attribute bit for the letter at SI (AL = 0 for any other letter).
letter: lodsb
        cmp     al, 13
        jne     .lower
        dec     si                      ; the end of the line: read it again
        jmp     .none
.lower: or      al, 0x20
        cmp     al, 'r'
        je      .r
        cmp     al, 'h'
        je      .h
        cmp     al, 's'
        je      .s
        cmp     al, 'a'
        je      .a
.none:  xor     al, al
        ret
.r:     mov     al, A_READONLY
        ret
.h:     mov     al, A_HIDDEN
        ret
.s:     mov     al, A_SYSTEM
        ret
.a:     mov     al, A_ARCHIVE
        ret

not_found_text: db "File not found - $"
refused_text:   db "Attributes not changed - $"
crlf:           db 13, 10, "$"
to_set:         db 0
to_clear:       db 0
name_at:        dw 0
dta:            times 128 db 0
pattern:        times 128 db 0
path:           times 128 db 0
