; EXITCODE.COM for the boot test: ends with the errorlevel given as a
; decimal number on its command line ("exitcode 205"), so that the image's
; scripts can be shown every exit code a program may leave.

        bits    16
        org     0x100

        mov     si, 0x81
        xor     ax, ax
.blank: mov     bl, [si]
        inc     si
        cmp     bl, ' '
        je      .blank
.digit: sub     bl, '0'
        cmp     bl, 9
        ja      .done
        mov     cl, 10
        mul     cl
        add     al, bl
        mov     bl, [si]
        inc     si
        jmp     .digit
.done:  mov     ah, 0x4C
        int     0x21
